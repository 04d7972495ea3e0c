#include "panels/frmUser.h"

#include "panels/PanelHost.h"

#include <QCloseEvent>
#include <utility>

namespace brisma {

frmUser::frmUser(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                 FlashPlayer::CommandHandler onCommand, PanelHost& host, UserRecord& user)
    : PanelWindow(paths, serverBase, players, std::move(onCommand), "user", 320, 450), host_(host),
      user_(user) {
    setWindowTitle(QStringLiteral("環境設定"));
    centreOnScreen();
    swfPlayer().setMovie(modulePath("user.swf"));
    swfPlayer().Stop();
}

void frmUser::DoReflect() {
    static_cast<ProfileFields&>(user_) = fields;
    host_.SaveUserFiles();
    hide();
}

void frmUser::closeEvent(QCloseEvent* event) {
    event->accept();
    host_.unloadPanel(this);
}

} // namespace brisma
