#pragma once

#include "server/config/Campaign.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The operator's page: for a day in Japan time and the week before it, clicks and views per
// channel and per day as bar charts drawn here in SVG, the most clicked headlines, active users,
// registrations, channel opens and closes, how each source fares and each campaign's figures and
// caps. One self-contained HTML document: no script, no external font or image.
namespace brisma::server {

class Database;

struct AdminPeriod {
    int day = 0;             // YYYYMMDD, Japan time
    std::int64_t dayMs = 0;  // the day's first millisecond
    std::int64_t fromMs = 0; // the week before it
    std::int64_t toMs = 0;   // the day's end
};

// The period of `day` (YYYYMMDD; empty: the day of `nowMs`); none when it names no date.
std::optional<AdminPeriod> adminPeriod(const std::string& day, std::int64_t nowMs);

// `channelNames`: the configured channels by their three-digit key; `sourceChannels`: the
// channels each source feeds; `campaigns`: those booked now, which run or not by `nowMs`.
std::string adminPage(const Database& database, const AdminPeriod& period,
                      const std::map<std::string, std::string>& channelNames,
                      const std::map<std::string, std::vector<int>>& sourceChannels,
                      const std::vector<Campaign>& campaigns, std::int64_t nowMs);

} // namespace brisma::server
