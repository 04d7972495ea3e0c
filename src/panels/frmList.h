#pragma once

#include "panels/PanelWindow.h"

namespace brisma {

// The latest-news list that slides up out of the bar.
class frmList : public PanelWindow {
public:
    frmList(AppContext& ctx, FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand);

    bool blnOpen = false;

    void ShowList(float x, float y, int n);
    void HideList(float x, float y);
    void ReloadSWF();
    void ResetLocation();
};

} // namespace brisma
