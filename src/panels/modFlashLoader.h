#pragma once

#include "common/AppContext.h"

namespace brisma {

// Keeps the Flash panel modules up to date with the server's versions.
class modFlashLoader {
public:
    explicit modFlashLoader(AppContext& ctx);

    void updateSplashFlash();
    void updateFlash();

private:
    AppContext& ctx_;
};

} // namespace brisma
