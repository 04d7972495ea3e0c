#pragma once

#include "server/store/DatabaseAddress.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

// Whether the store answers, known without asking it: a thread of its own pings it on a
// connection of its own, so a stalled database stalls only that thread, never one serving a
// request.
namespace brisma::server {

class Clock;

class StoreHealth {
public:
    StoreHealth(DatabaseAddress address, const Clock& clock);
    StoreHealth(const StoreHealth&) = delete;
    StoreHealth& operator=(const StoreHealth&) = delete;

    // None while the last ping was answered at most a second ago; else why not, in one line.
    std::optional<std::string> fault() const;

private:
    void ping(std::stop_token stop);

    DatabaseAddress address_;
    const Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<std::chrono::system_clock::time_point> answered_;
    std::string lastError_;
    std::jthread pinger_;
};

} // namespace brisma::server
