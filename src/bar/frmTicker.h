#pragma once

#include "common/AppContext.h"
#include "platform/player/FlashPlayer.h"

#include <QWidget>

#include <memory>

namespace brisma {

class modChannel;

// The headline bar along the bottom of the work area.
class frmTicker : public QWidget {
public:
    frmTicker(AppContext& ctx, modChannel& channels, FlashPlayerFactory& players);
    ~frmTicker() override;

    bool blnScroll = false;
    bool blnOpen = false;
    // No mouse button is held on the bar.
    bool blnMouseUp = true;

    void ReloadSWF();
    void InitTicker();
    void OpenTicker();
    void CloseTicker();
    void StartTicker();
    void StopTicker();
    void ResetLocation();

    FlashPlayer& swfPlayer() { return *swfPlayer_; }

private:
    AppContext& ctx_;
    modChannel& channels_;
    std::unique_ptr<FlashPlayer> swfPlayer_;
};

} // namespace brisma
