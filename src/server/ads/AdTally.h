#pragma once

#include "server/config/Campaign.h"
#include "server/intake/Intake.h"
#include "server/store/AdCounts.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

// The campaigns' counts while serving: impressions in memory, written and the totals of every
// process read back each second, so choosing never waits for the database and a cap shared by
// several processes holds to within a few seconds. Clicks are judged by the store as they come.
namespace brisma::server {

class Clock;
class Database;

// The campaigns a report may name, by the numbers their ids carry.
struct BookedIds {
    std::map<std::int64_t, Campaign> texts;
    std::map<std::int64_t, Campaign> banners;
    std::map<std::string, Campaign> movies; // by movie id
    bool any = false;                       // some campaign is booked
};

class AdTally final : public ReportCounter {
public:
    AdTally(Database& database, const Clock& clock);
    // Writes what is still in memory.
    ~AdTally() override;
    AdTally(const AdTally&) = delete;
    AdTally& operator=(const AdTally&) = delete;

    void book(BookedIds ids);
    // Of `running`, one under its caps, chosen by weight and counted as served on `channel`; none
    // when all are over a cap.
    std::optional<std::size_t> serve(const std::vector<const Campaign*>& running, const std::string& channel,
                                     std::int64_t nowMs, std::mt19937_64& random);
    // The same, counting nothing: banners and movies count the views their clients report.
    std::optional<std::size_t> choose(const std::vector<const Campaign*>& running, std::int64_t nowMs,
                                      std::mt19937_64& random);
    bool underCaps(const Campaign& campaign, std::int64_t nowMs);
    // Clicks on the booked advertisements, and the views of banners and plays of movies.
    std::optional<std::future<void>> count(ReportKind kind, const Query& query, std::int64_t nowMs) override;
    // Writes the impressions counted so far and reads every process's totals.
    void sync();

    // A client shows an advertisement until its next refresh: clicks this long after the end bill.
    static constexpr std::int64_t GraceMs = 15 * 60 * 1000;

private:
    std::int64_t impressionsToday(const std::string& campaign, int day) const;
    bool underCapsLocked(const Campaign& campaign, int day) const;
    std::optional<std::size_t> pickLocked(const std::vector<const Campaign*>& running, int day,
                                          std::mt19937_64& random) const;
    void run(std::stop_token stop);

    AdCounts counts_;
    const Clock& clock_;
    mutable std::mutex mutex_;
    BookedIds booked_;
    std::map<AdCountKey, std::int64_t> pending_;                 // not yet handed to the store
    std::map<std::pair<std::string, int>, std::int64_t> unread_; // per campaign and day: not in totals_
    AdCapTotals totals_;
    std::mutex syncMutex_; // one sync at a time; guards the two below
    bool failing_ = false; // the last write failed
    std::int64_t noticedMs_ = 0;
    static constexpr std::int64_t NoticeMs = 60'000;
    std::mutex waitMutex_;
    std::condition_variable_any wake_;
    std::jthread syncer_;
};

} // namespace brisma::server
