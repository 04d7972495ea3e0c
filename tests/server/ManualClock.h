#pragma once

#include "server/model/Clock.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

namespace brisma::server::test {

// A clock whose time the test sets and steps. A wait on it looks at its predicate and its deadline
// every few real milliseconds, so a step wakes it; settle() tells when every waiter has looked.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::int64_t epochMs) : now_(fromMs(epochMs)) {}

    TimePoint now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    void advance(std::chrono::milliseconds by) {
        std::lock_guard lock(mutex_);
        now_ += by;
        ++step_;
    }

    // Waits until `waiters` threads wait on this clock, each having looked at the time last set:
    // whatever a step made due has happened and its thread waits again.
    void settle(std::size_t waiters) const {
        std::unique_lock lock(mutex_);
        looked_.wait(lock, [&] {
            if (seen_.size() != waiters)
                return false;
            for (const auto& [thread, step] : seen_)
                if (step != step_)
                    return false;
            return true;
        });
    }

    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake,
                   std::stop_token stop, TimePoint deadline,
                   const std::function<bool()>& ready) const override {
        for (;;) {
            const auto [time, step] = reading();
            if (ready() || stop.stop_requested() || time >= deadline) {
                leave();
                return ready();
            }
            {
                std::lock_guard mine(mutex_);
                seen_[std::this_thread::get_id()] = step;
            }
            looked_.notify_all();
            wake.wait_for(lock, stop, std::chrono::milliseconds(2), ready);
        }
    }

private:
    std::pair<TimePoint, std::uint64_t> reading() const {
        std::lock_guard lock(mutex_);
        return {now_, step_};
    }
    void leave() const {
        {
            std::lock_guard lock(mutex_);
            seen_.erase(std::this_thread::get_id());
        }
        looked_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable looked_;
    TimePoint now_;
    std::uint64_t step_ = 0;
    mutable std::map<std::thread::id, std::uint64_t> seen_; // the waiting threads, and the step each saw
};

} // namespace brisma::server::test
