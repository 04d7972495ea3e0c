#pragma once

#include <string>
#include <string_view>

namespace brisma::server {

// A title as the bar shows it: `html` text loses its markup (tags and comments); then character
// references are decoded once (every HTML name, decimal and hexadecimal), which also repairs
// entities a source escaped twice; control characters are removed and white space collapsed.
std::string plainText(std::string_view text, bool html);

} // namespace brisma::server
