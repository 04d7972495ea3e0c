#include "server/admin/AdminRoute.h"

#include "server/admin/AdminPage.h"
#include "server/model/Clock.h"
#include "server/model/Log.h"

namespace brisma::server {

AdminRoute::AdminRoute() : builder_([this](std::stop_token stop) { build(std::move(stop)); }) {}

std::optional<AdminAnswer> AdminRoute::take(const AdminSite& site, const AdminRequest& request,
                                            const std::string& day, Done done) {
    if (!site.database || !adminAllowed(site.token, site.loopback, request))
        return AdminAnswer{403, "403 Forbidden\n"};
    const std::optional<AdminPeriod> period = adminPeriod(day, site.clock->nowMs());
    if (!period)
        return AdminAnswer{400, "400 Bad Request: day is YYYYMMDD\n"};
    std::lock_guard lock(mutex_);
    asked_.push_back([site, period = *period, done = std::move(done)] {
        try {
            done({200, adminPage(*site.database, period, site.channelNames, site.sourceChannels,
                                 site.campaigns, site.clock->nowMs())});
        } catch (const std::exception& e) { // a StoreError, mostly: the connection still gets its answer
            Log::write(Log::Error, std::string("the operator's page: ") + e.what());
            done({503, "503 Service Unavailable: the database does not answer\n"});
        }
    });
    wake_.notify_one();
    return std::nullopt;
}

void AdminRoute::build(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [this] { return !asked_.empty(); })) {
        const std::function<void()> page = std::move(asked_.front());
        asked_.pop_front();
        lock.unlock();
        page();
        lock.lock();
    }
}

} // namespace brisma::server
