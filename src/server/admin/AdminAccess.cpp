#include "server/admin/AdminAccess.h"

namespace brisma::server {
namespace {

// Compares without stopping at the first difference, so the time taken tells nothing of the token.
bool sameSecret(const std::string& a, const std::string& b) {
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return difference == 0;
}

} // namespace

bool adminAllowed(const std::string& token, bool loopbackAllowed, const AdminRequest& request) {
    const std::string bearer = "Bearer ";
    if (!token.empty() && request.authorization.starts_with(bearer) &&
        sameSecret(request.authorization.substr(bearer.size()), token))
        return true;
    return loopbackAllowed && request.fromLoopback && !request.forwarded;
}

} // namespace brisma::server
