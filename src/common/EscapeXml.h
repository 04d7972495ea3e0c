#pragma once

#include <string>
#include <string_view>

namespace brisma {

// The escape of every XML file the system writes: "&" first, then "<", ">" and the double quote.
std::string escapeXML(std::string_view text);

} // namespace brisma
