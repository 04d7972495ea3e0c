#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>

// The server's one clock: what is stored and shown, schedules, leases and retention all read it,
// and every timed wait goes through it, so a test that steps its own clock wakes the waiters.
namespace brisma::server {

class Clock {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    std::int64_t nowMs() const;
    std::int64_t nowSeconds() const;

    // With `lock` held: waits until `ready()` holds (true), or until `deadline` on this clock or a
    // stop request (false). Those who change what `ready` reads notify `wake`.
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake,
                           std::stop_token stop, TimePoint deadline,
                           const std::function<bool()>& ready) const = 0;
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake, std::stop_token stop,
                 std::chrono::milliseconds wait, const std::function<bool()>& ready) const;

    // The system's wall clock.
    static const Clock& system();
};

// A moment in milliseconds since the epoch, as the store keeps it.
Clock::TimePoint fromMs(std::int64_t epochMs);

} // namespace brisma::server
