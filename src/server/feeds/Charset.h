#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisma::server {

// The bytes of a feed as UTF-8, its character set chosen in this order: a byte-order mark; bytes
// that are valid UTF-8 under a single-byte label (servers mislabel); the HTTP charset; the XML
// declaration; UTF-8. A label that is unknown or whose decoding fails falls to the next rule.
// Bytes that no rule reads become U+FFFD, with a notice. A byte-order mark is dropped.
std::string feedTextAsUtf8(std::string_view body, std::string_view httpCharset,
                           std::vector<std::string>& notices);

} // namespace brisma::server
