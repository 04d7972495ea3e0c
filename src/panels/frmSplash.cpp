#include "panels/frmSplash.h"

#include <QGuiApplication>
#include <QScreen>
#include <utility>

namespace brisma {

frmSplash::frmSplash(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                     FlashPlayer::CommandHandler onCommand)
    : PanelWindow(paths, serverBase, players, std::move(onCommand), "splash", 275, 275) {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    // The movie starts on its own: the player is not stopped.
    swfPlayer().setMovie(modulePath("splash.swf"));
}

} // namespace brisma
