#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace brisma::server {

// Seconds since the epoch of a date as feeds write it: RFC 822 (with RFC 1123's four-digit
// years and the named zones UT, GMT, Z, the North American ones, JST and military letters) or
// W3C/ISO 8601 (a date alone is midnight UTC, a time without zone is UTC). None when unreadable.
std::optional<std::int64_t> parseFeedDate(std::string_view text);

} // namespace brisma::server
