#pragma once

#include "panels/PanelWindow.h"

namespace brisma {

// Shows the splash movie while the application starts.
class frmSplash : public PanelWindow {
public:
    frmSplash(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
              FlashPlayer::CommandHandler onCommand);
};

} // namespace brisma
