#pragma once

#include <string>

// Who may open the operator's page: whoever sends the configured token as a bearer, or, when the
// configuration allows it, a request from loopback that no proxy forwarded (a reverse proxy on the
// same host comes from loopback too, but names its client in X-Forwarded-For).
namespace brisma::server {

struct AdminRequest {
    std::string authorization; // the Authorization header, empty when none came
    bool fromLoopback = false;
    bool forwarded = false; // an X-Forwarded-For header came
};

bool adminAllowed(const std::string& token, bool loopbackAllowed, const AdminRequest& request);

} // namespace brisma::server
