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
    hideLater_.setSingleShot(true);
    QObject::connect(&hideLater_, &QTimer::timeout, this, [this] { PanelWindow::setVisible(false); });
    // The movie starts on its own: the player is not stopped.
    swfPlayer().setMovie(modulePath("splash.swf"));
}

void frmSplash::setVisible(bool visible) {
    if (visible) {
        // Shown again: a hide still pending from the last showing no longer applies.
        hideLater_.stop();
        if (!isVisible())
            shownFor_.start();
        PanelWindow::setVisible(true);
        return;
    }
    const qint64 left = isVisible() && shownFor_.isValid() ? MinimumShownMs - shownFor_.elapsed() : 0;
    if (left > 0) {
        hideLater_.start(static_cast<int>(left));
        return;
    }
    hideLater_.stop();
    PanelWindow::setVisible(false);
}

} // namespace brisma
