#pragma once

#include <cstdint>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// The campaigns' side of the store: the numbers their ids are made of, given once and the same in
// every process, and their figures per campaign, channel and Japan day. Impressions come in
// batches; a click is judged in the writer's transaction, so two processes never both bill one.
namespace brisma::server {

class Database;

struct AdFigures {
    std::int64_t impressions = 0; // texts served, banner views, movie plays
    std::int64_t clicks = 0;
    std::int64_t billable = 0;
    std::int64_t unknownUser = 0;
    std::int64_t repeat = 0;
    std::int64_t ended = 0;
    std::int64_t unknownAd = 0;
};

struct AdCountKey {
    std::string campaign; // "" for a click on no booked advertisement
    std::string channel;  // three digits
    int day = 0;          // YYYYMMDD, Japan time
    auto operator<=>(const AdCountKey&) const = default;
};

struct AdDayFigures {
    std::string campaign;
    int day = 0;
    AdFigures figures; // all its channels together
};

// What the caps read: today's impressions and every billable click, per campaign.
struct AdCapTotals {
    int day = 0;
    std::map<std::string, std::int64_t> impressionsToday;
    std::map<std::string, std::int64_t> billable;
};

struct AdClick {
    std::string campaign; // empty: the id names no booked advertisement
    std::string channel;
    int day = 0;
    std::optional<std::string> userid;
    std::int64_t atMs = 0;
    bool ended = false;                 // outside the campaign's flight and its grace time
    std::optional<std::int64_t> booked; // the campaign's booked billable clicks
};

class AdCounts {
public:
    explicit AdCounts(Database& database) : database_(database) {}

    // The numbers of `names` among the ids of `kind`, each given at its first request.
    std::future<std::map<std::string, std::int64_t>> serials(std::string kind,
                                                             std::vector<std::string> names);
    // Adds impressions, then reads the totals of `today` for the caps.
    std::future<AdCapTotals> addImpressions(std::map<AdCountKey, std::int64_t> impressions, int today);
    // One billable or unbilled click, by the rules the click carries: at most one billable per user
    // and campaign in ten minutes, none beyond the booked ones.
    std::future<void> addClick(AdClick click);
    // The figures of days [fromDay, toDay] (YYYYMMDD), by campaign and day. Reads on a connection of
    // the calling thread.
    static std::vector<AdDayFigures> read(const Database& database, int fromDay, int toDay);

    static constexpr std::int64_t RepeatMs = 10 * 60 * 1000;

private:
    Database& database_;
};

} // namespace brisma::server
