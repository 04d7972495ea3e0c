#include "panels/modFlashLoader.h"

namespace brisma {

modFlashLoader::modFlashLoader(AppContext& ctx) : ctx_(ctx) {}

// Module downloads come with the panels' own work.
void modFlashLoader::updateSplashFlash() {}
void modFlashLoader::updateFlash() {}

} // namespace brisma
