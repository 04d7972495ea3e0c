#include "server/cli/Watchdog.h"

#include "server/cli/ServiceNotice.h"
#include "server/model/Clock.h"

namespace brisma::server {

Watchdog::Watchdog(std::chrono::microseconds interval, std::function<bool()> progressing, const Clock& clock)
    : interval_(interval), progressing_(std::move(progressing)), clock_(clock),
      beater_([this](std::stop_token stop) { beat(std::move(stop)); }) {}

void Watchdog::beat(std::stop_token stop) {
    const auto half = std::chrono::duration_cast<std::chrono::milliseconds>(interval_ / 2);
    while (!stop.stop_requested()) {
        const auto next = clock_.now() + half;
        if (progressing_())
            notifyService("WATCHDOG=1");
        std::unique_lock lock(mutex_);
        clock_.waitUntil(lock, wake_, stop, next, [] { return false; });
    }
}

} // namespace brisma::server
