#pragma once

#include "panels/PanelWindow.h"

#include <array>
#include <cstdint>

class QCloseEvent;

namespace brisma {

class PanelHost;
class modChannel;
class modUserData;

// The channel selection panel: its movie sends the chosen channels as one channel-set text
// ("3-12-40-").
class frmChannel : public PanelWindow {
public:
    frmChannel(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
               FlashPlayer::CommandHandler onCommand, PanelHost& host, modChannel& channels,
               modUserData& userData);

    // The selected-channel table from a channel-set text. No handler: a part that is no 16-bit
    // number, or a ninth one, raises after the slots before it were stored.
    void SetFav(const std::string& strCh);
    static void SetFav(const std::string& strCh, std::array<int16_t, 8>& intSelectedChannel);
    // Applies a selection outside the first start and rebuilds the bar. No handler.
    void ChSet(const std::string& strCh);
    void ReloadSWF() { reloadMovie("channelset2.swf"); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PanelHost& host_;
    modChannel& channels_;
    modUserData& userData_;
};

} // namespace brisma
