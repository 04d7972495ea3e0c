#pragma once

#include "server/sources/Politeness.h"
#include "server/store/SourceStates.h"

#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// Keeps the copies of a SourceCopies fresh: a fixed number of workers, however many sources and
// hosts, each asking one host at a time, so one request in flight per host and hosts side by side;
// each source asked when its schedule says, and only while this process holds the source's lease
// (several processes share one database). Every 5 s it takes up the copies other processes saved.
namespace brisma::server {

class Clock;
class Database;
class SourceCopies;

class FetchScheduler {
public:
    struct Settings {
        Intervals intervals;
        std::string userAgent;
        int workers = 4;
    };
    // Called from a fetching thread with the sources whose feed changed.
    using ChangeHandler = std::function<void(const std::vector<std::string>& sources)>;

    FetchScheduler(SourceCopies& copies, Database& database, Settings settings, const Clock& clock);
    ~FetchScheduler();
    FetchScheduler(const FetchScheduler&) = delete;
    FetchScheduler& operator=(const FetchScheduler&) = delete;

    void start(ChangeHandler onChange);
    // Lets each request in flight end, then stops.
    void stop();

private:
    void work(std::stop_token stop);
    // False when another process holds the source's lease.
    bool claim(const std::string& address);
    void fetch(const std::string& address);
    void poll(std::stop_token stop);

    SourceCopies& copies_;
    SourceStates states_;
    Settings settings_;
    const Clock& clock_;
    ChangeHandler onChange_;
    std::vector<std::jthread> threads_;
};

} // namespace brisma::server
