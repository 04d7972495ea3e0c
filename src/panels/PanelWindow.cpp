#include "panels/PanelWindow.h"

#include "panels/PanelHost.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

namespace brisma {

PanelWindow::PanelWindow(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                         FlashPlayer::CommandHandler onCommand, const std::string& name, int width,
                         int height)
    : paths_(paths), serverBase_(serverBase), onCommand_(std::move(onCommand)),
      swfPlayer_(players.create(name, this)) {
    resize(width, height);
    // The player fills the window and follows its size.
    if (QWidget* view = swfPlayer_->widget()) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }
    swfPlayer_->setCommandHandler(onCommand_);
}

PanelWindow::~PanelWindow() = default;

void PanelWindow::reloadMovie(const std::string& file) {
    swfPlayer_->setMovie(serverBase_);
    swfPlayer_->setMovie(modulePath(file));
}

} // namespace brisma

namespace brisma {

void PanelWindow::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

bool PanelWindow::leadsOnInstead(QCloseEvent* event, PanelHost& host, const char* firstStartCommand) {
    if (host.blnFirstStart()) {
        event->ignore();
        onCommand_(firstStartCommand, "");
        return true;
    }
    event->accept();
    return false;
}

} // namespace brisma
