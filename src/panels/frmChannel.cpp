#include "panels/frmChannel.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "news/modChannel.h"
#include "panels/PanelHost.h"
#include "panels/frmList.h"
#include "userdata/modUserData.h"

#include <utility>
#include <vector>

namespace brisma {

frmChannel::frmChannel(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                       FlashPlayer::CommandHandler onCommand, PanelHost& host, modChannel& channels,
                       modUserData& userData)
    : PanelWindow(paths, serverBase, players, std::move(onCommand), "channel", 800, 600), host_(host),
      channels_(channels), userData_(userData) {
    setWindowTitle(QStringLiteral("チャンネル設定"));
    centreOnScreen();
    swfPlayer().setMovie(modulePath("channelset2.swf"));
    swfPlayer().Stop();
}

void frmChannel::SetFav(const std::string& strCh) {
    SetFav(strCh, channels_.intSelectedChannel);
}

void frmChannel::SetFav(const std::string& strCh, std::array<int16_t, 8>& intSelectedChannel) {
    intSelectedChannel.fill(0);
    std::vector<std::string> parts;
    if (!strCh.empty()) {
        std::size_t from = 0;
        for (std::size_t at = strCh.find('-'); at != std::string::npos; at = strCh.find('-', from)) {
            parts.push_back(strCh.substr(from, at - from));
            from = at + 1;
        }
        parts.push_back(strCh.substr(from));
    }
    // The text after the last "-" is never used.
    for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
        if (k >= intSelectedChannel.size())
            brisma::raise(err::SubscriptOutOfRange, strCh);
        intSelectedChannel[k] = parts[k].empty() ? int16_t{0} : conv::CInt(parts[k]);
    }
}

void frmChannel::ChSet(const std::string& strCh) {
    hide();
    frmList& list = host_.list();
    const bool listWasOpen = list.blnOpen;
    if (listWasOpen)
        list.HideList(2000, 0);
    host_.closeTicker();
    SetFav(strCh);
    channels_.ChangeChannel();
    host_.SaveUserFiles();
    userData_.loadClickLog();
    userData_.loadMovieLog();
    channels_.SortIdWithMovie();
    host_.reopenTicker();
    if (listWasOpen)
        host_.list().ShowList(2000, 0, 0);
}

// During the first start the panel cannot be left without a selection: the close control is
// refused as "channel:close" refuses it. Otherwise the form unloads.
void frmChannel::closeEvent(QCloseEvent* event) {
    if (!leadsOnInstead(event, host_, "channel:close"))
        host_.unloadPanel(this);
}

} // namespace brisma
