#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// When a source may be asked again: what its answer asked for, within the operator's bounds.
namespace brisma::server {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The value of header `name` (case-insensitive), or none.
std::optional<std::string> headerValue(const HeaderList& headers, std::string_view name);

// An HTTP date (RFC 9110: IMF-fixdate, RFC 850, asctime) as seconds since the epoch.
std::optional<std::int64_t> parseHttpDate(const std::string& text);

// The wait an answer asks for: Retry-After on 429 and 503; else Cache-Control max-age, else
// Expires (against the answer's Date, or `now`), else the feed's own ttl.
std::optional<std::chrono::seconds> askedWait(long status, const HeaderList& headers,
                                              std::optional<std::int64_t> feedTtl, std::int64_t now);

struct Intervals {
    std::chrono::seconds min;
    std::chrono::seconds max;
};

// The wait before the next fetch. A success waits min or what was asked, a failure (the
// `failures`-th in a row) min doubled for each earlier one, or longer when asked; never beyond max.
std::chrono::seconds nextWait(int failures, std::optional<std::chrono::seconds> asked, Intervals bounds);

} // namespace brisma::server
