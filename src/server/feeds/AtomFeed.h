#pragma once

#include "server/feeds/Feed.h"

#include <libxml/tree.h>
#include <string>

namespace brisma::server {

// Atom 1.0 and 0.3 (root feed): titles by their type, the alternate links resolved against
// xml:base and `address`.
Feed readAtom(const xmlNode* root, const std::string& address);

} // namespace brisma::server
