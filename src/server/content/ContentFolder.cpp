#include "server/content/ContentFolder.h"

#include "server/model/Clock.h"

namespace brisma::server {

ContentFolder::ContentFolder(const std::string& folder, std::string base, const Clock& clock,
                             std::chrono::milliseconds every)
    : base_(std::move(base)), clock_(clock), every_(every),
      current_(std::make_shared<const StaticContent>(folder, base_)),
      watcher_([this](std::stop_token stop) { watch(std::move(stop)); }) {}

std::shared_ptr<const StaticContent> ContentFolder::current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

void ContentFolder::watch(std::stop_token stop) {
    std::shared_ptr<const StaticContent> served = current();
    StaticContent::Listing seen = served->listing();
    std::unique_lock lock(mutex_);
    while (!clock_.waitFor(lock, wake_, stop, every_, [] { return false; }) && !stop.stop_requested()) {
        lock.unlock();
        StaticContent::Listing now = StaticContent::list(served->folder());
        if (now != served->listing() && now == seen) {
            served = std::make_shared<const StaticContent>(served->folder(), base_, now, served.get());
            lock.lock();
            current_ = served;
            lock.unlock();
        }
        seen = std::move(now);
        lock.lock();
    }
}

} // namespace brisma::server
