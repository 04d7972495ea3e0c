#pragma once

#include "server/feeds/Feed.h"
#include "server/sources/Politeness.h"
#include "server/sources/SourceFetch.h"
#include "server/store/SourceStates.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// The last good copy and feed of every source of the configuration, and when each is fetched next,
// as this process's fetches and the copies other processes saved leave them. Each update is one
// step under the lock that keeps what the other kind set later: a fetch changes only what it
// brought, and a saved copy or schedule replaces only an older one (save times order them, so the
// processes' clocks must agree to well within min_interval).
namespace brisma::server {

class Clock;

class SourceCopies {
public:
    // Loads the stored copies of `sources` at once. Throws StoreError when the database cannot be read.
    SourceCopies(const std::vector<std::string>& sources, Database& database);
    SourceCopies(const SourceCopies&) = delete;
    SourceCopies& operator=(const SourceCopies&) = delete;

    std::vector<std::string> addresses() const;
    // The source's last good feed; null until one was read.
    std::shared_ptr<const Feed> feed(const std::string& source) const;
    // What a fetch of the source starts from: its copy's validators.
    SourceState state(const std::string& source) const;

    // Waits until the first of `sources` to be fetched is due on `clock`: its address, or none on a
    // stop request. A copy taken up meanwhile makes it look at the schedule again.
    std::optional<std::string> waitForDue(const std::vector<std::string>& sources, const Clock& clock,
                                          std::stop_token stop);
    // Fetches the source no sooner than `atMs` (another process fetches it now).
    void defer(const std::string& source, std::int64_t atMs);

    // Keeps what a fetch of the source answered at `nowMs`, schedules the next within `bounds` and
    // saves both; true when its feed changed.
    bool keepFetched(const std::string& source, FetchResult result, std::int64_t nowMs, Intervals bounds);
    // Takes up what other processes saved since `sinceMs`: the sources whose feed changed. Throws
    // StoreError.
    std::vector<std::string> takeUpSavedSince(std::int64_t sinceMs);

private:
    struct Source {
        SourceState state; // its copy and its schedule
        std::shared_ptr<const Feed> feed;
        std::int64_t copySavedMs = 0;     // when the copy held was saved
        std::int64_t scheduleSavedMs = 0; // when the schedule held was saved
    };

    SourceStates states_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::map<std::string, Source> sources_;
    std::uint64_t copiesTaken_ = 0; // wakes the waiters to look at their schedule again
};

} // namespace brisma::server
