#pragma once

#include "server/feeds/Feed.h"

#include <string>
#include <string_view>
#include <vector>

namespace brisma::server {

// An RSS, RDF or Atom document (UTF-8 text, whatever its declaration says), its format chosen
// by the root element's local name; links resolved against xml:base and `address`. A document
// that is not well-formed is repaired and read again, with a notice. Raises FeedError when it
// cannot be read or is no feed.
Feed readXmlFeed(std::string_view text, const std::string& address, std::vector<std::string>& notices);

} // namespace brisma::server
