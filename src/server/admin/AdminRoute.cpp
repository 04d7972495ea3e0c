#include "server/admin/AdminRoute.h"

#include "server/admin/AdminPage.h"
#include "server/store/StoreError.h"

#include <cstdio>

namespace brisma::server {

AdminAnswer adminAnswer(const AdminSite& site, const AdminRequest& request, const std::string& day,
                        std::int64_t nowMs) {
    if (!site.database || !adminAllowed(site.token, site.loopback, request))
        return {403, "403 Forbidden\n"};
    const std::optional<AdminPeriod> period = adminPeriod(day, nowMs);
    if (!period)
        return {400, "400 Bad Request: day is YYYYMMDD\n"};
    try {
        return {200, adminPage(*site.database, *period, site.channelNames)};
    } catch (const StoreError& e) {
        std::fprintf(stderr, "brisma-server: the operator's page: %s\n", e.what());
        return {503, "503 Service Unavailable: the database does not answer\n"};
    }
}

} // namespace brisma::server
