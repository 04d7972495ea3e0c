#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

// Tells the service manager every half of its watchdog interval that the server still makes
// progress, and stays silent once it does not, so that the manager restarts it.
namespace brisma::server {

class Clock;

class Watchdog {
public:
    // Asks `progressing` before each WATCHDOG=1; it may take its time, up to a little under the
    // half interval.
    Watchdog(std::chrono::microseconds interval, std::function<bool()> progressing, const Clock& clock);

private:
    void beat(std::stop_token stop);

    std::chrono::microseconds interval_;
    std::function<bool()> progressing_;
    const Clock& clock_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread beater_;
};

} // namespace brisma::server
