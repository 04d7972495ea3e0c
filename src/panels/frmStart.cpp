#include "panels/frmStart.h"

#include "panels/PanelHost.h"
#include "panels/frmChannel.h"
#include "platform/ui/StringTable.h"

#include <utility>

namespace brisma {

frmStart::frmStart(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                   FlashPlayer::CommandHandler onCommand, PanelHost& host, UserRecord& user,
                   std::array<int16_t, 8>& intSelectedChannel)
    : PanelWindow(paths, serverBase, players, std::move(onCommand), "start", 320, 450), host_(host),
      user_(user), intSelectedChannel_(intSelectedChannel) {
    setWindowTitle(QStringLiteral("Brisma　初期設定画面"));
    centreOnScreen();
    swfPlayer().setMovie(modulePath("start2.swf"));
    swfPlayer().Stop();
}

void frmStart::DoReflect() {
    static_cast<ProfileFields&>(user_) = fields;
    user_.strUserVersion = LoadResString(119);
    host_.SaveUserFiles();
}

void frmStart::ChSet(const std::string& strCh) {
    hide();
    frmChannel::SetFav(strCh, intSelectedChannel_);
    host_.SaveUserFiles();
}

// During the first start, closing the window after registration leads on to the channel
// selection as "start:close" does; closing it before ends the client without writing anything,
// so the next start asks again. Otherwise the form unloads.
void frmStart::closeEvent(QCloseEvent* event) {
    if (!leadsOnInstead(event, host_, host_.registered() ? "start:close" : "killall"))
        host_.unloadPanel(this);
}

} // namespace brisma
