#include "server/intake/RequestLimit.h"

#include <algorithm>

namespace brisma::server {

RequestLimit::RequestLimit(unsigned perWindow, std::chrono::seconds window, std::size_t addresses)
    : perWindow_(perWindow), window_(window), addresses_(addresses) {}

std::optional<std::chrono::seconds> RequestLimit::take(const std::string& address, Clock::TimePoint now) {
    std::lock_guard lock(mutex_);
    const auto forgetOldest = [this] {
        byAddress_.erase(windows_.front().address);
        windows_.pop_front();
    };
    while (!windows_.empty() && windows_.front().opened + window_ <= now)
        forgetOldest();
    auto found = byAddress_.find(address);
    if (found == byAddress_.end()) {
        if (windows_.size() >= addresses_)
            forgetOldest();
        windows_.push_back({address, now, 0});
        found = byAddress_.emplace(address, std::prev(windows_.end())).first;
    }
    Window& window = *found->second;
    if (window.count < perWindow_) {
        ++window.count;
        return std::nullopt;
    }
    const auto left = std::chrono::ceil<std::chrono::seconds>(window.opened + window_ - now);
    return std::clamp(left, std::chrono::seconds(1), window_); // the clock may have been set back
}

} // namespace brisma::server
