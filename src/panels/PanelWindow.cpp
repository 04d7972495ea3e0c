#include "panels/PanelWindow.h"

#include "platform/ui/EventGate.h"

namespace brisma {

PanelWindow::PanelWindow(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener,
                         const std::string& name, int width, int height)
    : ctx_(ctx), swfPlayer_(players.create(name, this)) {
    resize(width, height);
    if (QWidget* view = swfPlayer_->widget()) {
        view->setGeometry(0, 0, width, height);
    }
    // A command that arrives while a procedure runs waits for its end.
    swfPlayer_->setCommandHandler([&ctx, &listener](const std::string& command, const std::string& args) {
        ctx.gate.run([&listener, command, args] { listener.throwValue(command, args); });
    });
}

PanelWindow::~PanelWindow() = default;

} // namespace brisma
