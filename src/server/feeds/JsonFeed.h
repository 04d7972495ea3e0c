#pragma once

#include "server/feeds/Feed.h"

#include <string>
#include <string_view>

namespace brisma::server {

// A JSON Feed 1.0 or 1.1 (UTF-8 text); links resolved against `address`. Raises FeedError for
// JSON that is no JSON Feed.
Feed readJsonFeed(std::string_view text, const std::string& address);

} // namespace brisma::server
