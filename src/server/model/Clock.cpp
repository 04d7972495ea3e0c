#include "server/model/Clock.h"

namespace brisma::server {
namespace {

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake,
                   std::stop_token stop, TimePoint deadline,
                   const std::function<bool()>& ready) const override {
        return wake.wait_until(lock, stop, deadline, ready);
    }
};

} // namespace

std::int64_t Clock::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
}

std::int64_t Clock::nowSeconds() const {
    return std::chrono::duration_cast<std::chrono::seconds>(now().time_since_epoch()).count();
}

bool Clock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake,
                    std::stop_token stop, std::chrono::milliseconds wait,
                    const std::function<bool()>& ready) const {
    return waitUntil(lock, wake, std::move(stop), now() + wait, ready);
}

const Clock& Clock::system() {
    static const SystemClock clock;
    return clock;
}

Clock::TimePoint fromMs(std::int64_t epochMs) {
    return Clock::TimePoint{std::chrono::milliseconds{epochMs}};
}

} // namespace brisma::server
