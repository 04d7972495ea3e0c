#pragma once

#include "server/admin/AdminAccess.h"
#include "server/config/Campaign.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// GET /admin/: access checked where the request arrives, the page of the asked day built on a
// thread of its own, since it reads the database for as long as the database takes. Pages are
// rare: one thread, and a page asked meanwhile waits its turn.
namespace brisma::server {

class Clock;
class Database;

struct AdminSite {
    std::shared_ptr<const Database> database;
    std::string token; // empty: no token opens the page
    bool loopback = false;
    std::map<std::string, std::string> channelNames;        // by the three-digit key
    const Clock* clock = nullptr;                           // what "today" is
    std::vector<Campaign> campaigns;                        // as booked
    std::map<std::string, std::vector<int>> sourceChannels; // the channels each source feeds
};

struct AdminAnswer {
    unsigned status = 200;
    std::string body; // HTML for 200, else plain text
};

class AdminRoute {
public:
    using Done = std::function<void(AdminAnswer)>;

    AdminRoute();
    AdminRoute(const AdminRoute&) = delete;
    AdminRoute& operator=(const AdminRoute&) = delete;

    // `day`: the query's day value, empty when none came. A refusal is answered at once; else none,
    // and `done` is called with the page on the route's thread.
    std::optional<AdminAnswer> take(const AdminSite& site, const AdminRequest& request,
                                    const std::string& day, Done done);

private:
    void build(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::function<void()>> asked_;
    std::jthread builder_; // builds every page asked before it stops
};

} // namespace brisma::server
