#pragma once

#include "panels/PanelWindow.h"

#include <memory>

namespace brisma {

class EventGate;
class LayerSurface;
class ListHost;

// The latest-news list that slides up out of the bar.
class frmList : public PanelWindow {
public:
    frmList(const AppPaths& paths, const std::string& serverBase, EventGate& gate,
            FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand, ListHost& host);
    ~frmList() override;

    bool blnOpen = false;

    // Opens the panel with its horizontal centre at x (pixels); y and n are not used.
    void ShowList(float x, float y, int n);
    // Closes the panel toward a target whose horizontal centre is x; y is not used.
    void HideList(float x, float y);
    void ReloadSWF();
    void ResetLocation();
    // The unload handler: the panel counts as closed.
    void Form_Unload();

private:
    QRect workArea() const;

    EventGate& gate_;
    ListHost& host_;
    // On a Wayland desktop with a layer shell, the surface the compositor places the panel on.
    std::unique_ptr<LayerSurface> layer_;
};

} // namespace brisma
