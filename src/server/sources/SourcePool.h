#pragma once

#include "server/feeds/Feed.h"
#include "server/sources/Politeness.h"
#include "server/store/SourceStates.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// Every source of the configuration, each with its last good copy read as a feed, kept fresh by
// one thread per host: one request in flight per host, hosts side by side, serving never waits.
// The copies live in the database, shared with every server process on it: a process fetches a
// source only while it holds the source's lease, and takes up what the others saved every 5 s.
namespace brisma::server {

class Clock;

class SourcePool {
public:
    struct Settings {
        Intervals intervals;
        std::string userAgent;
    };
    // Called from a fetching thread after a source's feed changed.
    using ChangeHandler = std::function<void()>;

    // Loads the stored copies of `sources` at once; fetching starts with start(). Throws
    // StoreError when the database cannot be read.
    SourcePool(const std::vector<std::string>& sources, Database& database, Settings settings,
               const Clock& clock);
    ~SourcePool();
    SourcePool(const SourcePool&) = delete;
    SourcePool& operator=(const SourcePool&) = delete;

    void start(ChangeHandler onChange);
    // Lets each host's request in flight end, then stops.
    void stop();

    // The source's last good feed; null until one was read.
    std::shared_ptr<const Feed> feed(const std::string& source) const;

    // The host group of an address ("file" for files): scheme, host and port, lower case.
    static std::string hostOf(const std::string& source);

private:
    struct Source {
        SourceState copy;
        std::shared_ptr<const Feed> feed;
    };
    void runHost(std::stop_token stop, const std::vector<std::string>& sources);
    // False when another process holds the source's lease.
    bool claim(const std::string& address);
    void fetch(const std::string& address);
    // Takes up the copies saved since the last poll; true when a feed changed.
    bool takeUpSaved(std::int64_t sinceMs);
    void poll(std::stop_token stop);
    // Reads the copy's body as a feed; false (and nothing kept) when it is none.
    bool readCopy(Source& source, std::string& error);

    SourceStates states_;
    Settings settings_;
    const Clock& clock_;
    ChangeHandler onChange_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::map<std::string, Source> sources_;
    std::uint64_t copiesTaken_ = 0; // wakes the hosts' threads to look at their schedule again
    std::vector<std::jthread> threads_;
};

} // namespace brisma::server
