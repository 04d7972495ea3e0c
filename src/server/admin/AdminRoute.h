#pragma once

#include "server/admin/AdminAccess.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

// GET /admin/: access checked, then the page of the asked day.
namespace brisma::server {

class Clock;
class Database;

struct AdminSite {
    std::shared_ptr<const Database> database;
    std::string token; // empty: no token opens the page
    bool loopback = false;
    std::map<std::string, std::string> channelNames; // by the three-digit key
    const Clock* clock = nullptr;                    // what "today" is
};

struct AdminAnswer {
    unsigned status = 200;
    std::string body; // HTML for 200, else plain text
};

// `day`: the query's day value, empty when none came.
AdminAnswer adminAnswer(const AdminSite& site, const AdminRequest& request, const std::string& day,
                        std::int64_t nowMs);

} // namespace brisma::server
