#include "panels/PanelWindow.h"

namespace brisma {

PanelWindow::PanelWindow(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener,
                         const std::string& name, int width, int height)
    : ctx_(ctx), swfPlayer_(players.create(name, this)) {
    resize(width, height);
    if (QWidget* view = swfPlayer_->widget()) {
        view->setGeometry(0, 0, width, height);
    }
    swfPlayer_->setCommandHandler(
        [&listener](const std::string& command, const std::string& args) { listener.throwValue(command, args); });
}

PanelWindow::~PanelWindow() = default;

} // namespace brisma
