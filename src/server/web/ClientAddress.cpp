#include "server/web/ClientAddress.h"

#include <algorithm>

namespace brisma::server {
namespace {

bool isTrusted(const IpAddress& address, const std::vector<AddressRange>& trusted) {
    return std::ranges::any_of(trusted, [&](const AddressRange& range) { return range.contains(address); });
}

std::string_view trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

} // namespace

std::string clientAddress(const IpAddress& peer, std::string_view forwardedFor,
                          const std::vector<AddressRange>& trusted) {
    if (!isTrusted(peer, trusted))
        return formatIpAddress(peer);
    std::string client = formatIpAddress(peer); // every hop trusted: the leftmost one
    while (!forwardedFor.empty()) {
        const std::size_t comma = forwardedFor.rfind(',');
        const std::string_view hop =
            trimmed(comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1));
        forwardedFor = comma == std::string_view::npos ? std::string_view{} : forwardedFor.substr(0, comma);
        if (hop.empty())
            continue;
        const std::optional<IpAddress> address = parseIpAddress(hop);
        // A hop that is no address is taken as written: a proxy we trust put it there.
        if (!address)
            return std::string(hop);
        client = formatIpAddress(*address);
        if (!isTrusted(*address, trusted))
            return client;
    }
    return client;
}

} // namespace brisma::server
