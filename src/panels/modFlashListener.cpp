#include "panels/modFlashListener.h"

namespace brisma {

// The command vocabulary comes with the panels' own work.
void modFlashListener::throwValue(const std::string&, const std::string&) {}

} // namespace brisma
