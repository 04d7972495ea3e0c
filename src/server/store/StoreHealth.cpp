#include "server/store/StoreHealth.h"

#include "server/model/Clock.h"
#include "server/store/Connection.h"

namespace brisma::server {
namespace {

constexpr std::chrono::milliseconds kEvery{250};
constexpr std::chrono::seconds kFresh{1};

} // namespace

StoreHealth::StoreHealth(DatabaseAddress address, const Clock& clock)
    : address_(std::move(address)), clock_(clock),
      pinger_([this](std::stop_token stop) { ping(std::move(stop)); }) {}

std::optional<std::string> StoreHealth::fault() const {
    std::lock_guard lock(mutex_);
    if (!answered_)
        return lastError_.empty() ? "the store has not answered yet"
                                  : "the store does not answer: " + lastError_;
    const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.now() - *answered_);
    if (age <= kFresh)
        return std::nullopt;
    return "the store has not answered for " + std::to_string(age.count()) + " ms" +
           (lastError_.empty() ? "" : ": " + lastError_);
}

void StoreHealth::ping(std::stop_token stop) {
    std::optional<Connection> connection;
    while (!stop.stop_requested()) {
        std::string error;
        try {
            if (!connection)
                connection.emplace(address_);
            if (!connection->alive()) {
                connection.reset(); // a new one next time: the old may be cut for good
                error = "the ping failed";
            }
        } catch (const std::exception& e) {
            error = e.what();
        }
        std::unique_lock lock(mutex_);
        if (error.empty()) {
            answered_ = clock_.now();
            lastError_.clear();
        } else {
            lastError_ = error.substr(0, error.find('\n'));
        }
        clock_.waitFor(lock, wake_, stop, kEvery, [] { return false; });
    }
}

} // namespace brisma::server
