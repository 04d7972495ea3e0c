#pragma once

#include "server/feeds/Feed.h"

#include <libxml/tree.h>
#include <string>

namespace brisma::server {

// RSS 0.9x and 2.0 (root rss), RSS 1.0 and 0.90 (root RDF) and a bare channel: the channel's
// title, link and ttl, and the items of the channel and of the root in document order. Titles
// are HTML; links are resolved against xml:base and `address`.
Feed readRss(const xmlNode* root, const std::string& address);

} // namespace brisma::server
