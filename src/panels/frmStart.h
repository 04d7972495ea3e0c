#pragma once

#include "panels/PanelWindow.h"

namespace brisma {

// The registration panel of the first start.
class frmStart : public PanelWindow {
public:
    frmStart(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener);
};

} // namespace brisma
