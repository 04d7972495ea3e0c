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
#include <set>
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

    // The source's last good feed; null until one was read.
    std::shared_ptr<const Feed> feed(const std::string& source) const;
    // What a fetch of the source starts from: its copy's validators.
    SourceState state(const std::string& source) const;

    // Waits until a source is due on `clock` whose host no caller holds, and holds its host: its
    // address, or none on a stop request. The caller gives the host back once done with it.
    std::optional<std::string> takeDue(const Clock& clock, std::stop_token stop);
    void giveBack(const std::string& source);
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
        std::string host;
        SourceState state; // its copy and its schedule
        std::shared_ptr<const Feed> feed;
        std::int64_t copySavedMs = 0;     // when the copy held was saved
        std::int64_t scheduleSavedMs = 0; // when the schedule held was saved
    };

    SourceStates states_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::map<std::string, Source> sources_;
    std::set<std::string> heldHosts_; // a request of this process is under way to each
    std::uint64_t changes_ = 0;       // a copy taken up or a host given back: the schedule looked at again
};

} // namespace brisma::server
