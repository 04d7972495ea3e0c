#pragma once

#include "server/model/AddressRange.h"

#include <string>
#include <string_view>
#include <vector>

// Whose request it is, for the per-address limits: the peer's address, or, when the peer is a
// trusted proxy, the rightmost X-Forwarded-For address that is not one (each proxy appends the
// address it was reached from, so what stands left of that may be the client's invention).
namespace brisma::server {

// `forwardedFor`: every X-Forwarded-For header's value, joined by commas; empty when none came.
std::string clientAddress(const IpAddress& peer, std::string_view forwardedFor,
                          const std::vector<AddressRange>& trusted);

} // namespace brisma::server
