#include "panels/PanelWindow.h"

#include "platform/ui/EventGate.h"

#include <QVBoxLayout>

namespace brisma {

PanelWindow::PanelWindow(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener,
                         const std::string& name, int width, int height)
    : ctx_(ctx), swfPlayer_(players.create(name, this)) {
    resize(width, height);
    // The player fills the window and follows its size.
    if (QWidget* view = swfPlayer_->widget()) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }
    // A command that arrives while a procedure runs waits for its end.
    swfPlayer_->setCommandHandler([&ctx, &listener](const std::string& command, const std::string& args) {
        ctx.gate.run([&listener, command, args] { listener.throwValue(command, args); });
    });
}

PanelWindow::~PanelWindow() = default;

} // namespace brisma
