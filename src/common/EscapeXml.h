#pragma once

#include <string>
#include <string_view>

namespace brisma {

// The escape of every XML file the system writes: "&" first, then "<", ">" and the double quote;
// CR as its reference, and what XML cannot carry at all left out.
std::string escapeXML(std::string_view text);

} // namespace brisma
