#pragma once

#include <string>

namespace brisma {

// The executable's string table (ids 101, 102, 104, 105, 119, 182, 183). An unknown id gives
// the empty text.
std::string LoadResString(int id);

} // namespace brisma
