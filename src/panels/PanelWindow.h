#pragma once

#include "common/AppPaths.h"
#include "platform/player/FlashPlayer.h"

#include <QWidget>
#include <memory>
#include <string>

class QCloseEvent;

namespace brisma {

class PanelHost;

// A window that is one Flash panel: a player filling the window, its commands going unchanged
// to `onCommand` (the application's one path to the dispatcher).
class PanelWindow : public QWidget {
public:
    PanelWindow(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
                FlashPlayer::CommandHandler onCommand, const std::string& name, int width, int height);
    ~PanelWindow() override;

    FlashPlayer& swfPlayer() { return *swfPlayer_; }
    // Shows the movie anew from its first frame: the server base address, then the file.
    void reloadMovie(const std::string& file);

protected:
    void centreOnScreen();
    // The close control of a panel that leads the first start on. During the first start the
    // window stays and `firstStartCommand` goes to the dispatcher as if the movie had sent it
    // (true); otherwise the close is accepted and the caller unloads the panel (false).
    bool leadsOnInstead(QCloseEvent* event, PanelHost& host, const char* firstStartCommand);
    // The movie below "/flash" that this panel shows.
    std::string modulePath(const std::string& file) const { return paths_.flashModule(file); }

private:
    const AppPaths& paths_;
    const std::string& serverBase_;
    FlashPlayer::CommandHandler onCommand_;
    std::unique_ptr<FlashPlayer> swfPlayer_;
};

} // namespace brisma
