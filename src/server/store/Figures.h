#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the operator sees: per day in Japan time, clicks and views per channel, active users,
// registrations, channel opens and closes; and the most clicked headlines of the period.
namespace brisma::server {

class Database;

struct ChannelFigures {
    std::int64_t clicks = 0; // click and adclick reports
    std::int64_t views = 0;  // adview and view reports
};

struct DayFigures {
    int day = 0;                                    // YYYYMMDD in Japan time
    std::map<std::string, ChannelFigures> channels; // by the channel key as sent; "" for none
    std::int64_t activeUsers = 0;                   // distinct registered ids that reported
    std::int64_t registrations = 0;
    std::int64_t opens = 0;
    std::int64_t closes = 0;
};

struct HeadlineClicks {
    std::string id;
    std::optional<std::string> title; // none once no source lists the headline
    std::int64_t clicks = 0;
};

struct Figures {
    std::vector<DayFigures> days;    // every day of the period, oldest first
    std::vector<HeadlineClicks> top; // most clicks first
};

// The figures of reports received in [fromMs, toMs), with the `topCount` most clicked headlines.
// Reads on a connection of the calling thread.
Figures readFigures(const Database& database, std::int64_t fromMs, std::int64_t toMs, int topCount);

} // namespace brisma::server
