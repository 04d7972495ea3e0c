#pragma once

#include "common/AppContext.h"
#include "panels/modFlashListener.h"
#include "platform/player/FlashPlayer.h"

#include <QWidget>

#include <memory>
#include <string>

namespace brisma {

// A window that is one Flash panel: a player filling the window, its commands going to the
// dispatcher.
class PanelWindow : public QWidget {
public:
    PanelWindow(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener, const std::string& name,
                int width, int height);
    ~PanelWindow() override;

    FlashPlayer& swfPlayer() { return *swfPlayer_; }

protected:
    // The movie below "/flash" that this panel shows.
    std::string modulePath(const std::string& file) const { return ctx_.paths.flashModule(file); }

    AppContext& ctx_;

private:
    std::unique_ptr<FlashPlayer> swfPlayer_;
};

} // namespace brisma
