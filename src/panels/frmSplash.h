#pragma once

#include "panels/PanelWindow.h"

#include <QElapsedTimer>
#include <QTimer>

namespace brisma {

// Shows the splash movie while the application starts. Once shown it stays at least
// `MinimumShownMs`: a hide that comes sooner is carried out later by a timer, so the start
// never waits for it and a fast start does not just flash the panel.
class frmSplash : public PanelWindow {
public:
    static constexpr int MinimumShownMs = 800;

    frmSplash(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
              FlashPlayer::CommandHandler onCommand);

    void setVisible(bool visible) override;

private:
    QElapsedTimer shownFor_;
    QTimer hideLater_;
};

} // namespace brisma
