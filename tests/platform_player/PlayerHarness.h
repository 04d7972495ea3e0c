#pragma once

#include "TempAppFolder.h"
#include "platform/player/QmlFlashPlayer.h"
#include "platform/player/QmlPlayerFactory.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brisma::test {

// One real QML player in a window on a fresh application folder. Commands are recorded as
// "command|args"; what flash.openUrl hands on is recorded in `opened`.
class PlayerHarness {
public:
    PlayerHarness();

    QmlFlashPlayer& player() { return *player_; }
    // Writes `qml` below the folder as `relative` ("/flash/m.swf") and returns its path.
    std::string write(const std::string& relative, const std::string& qml) const;
    // Writes and loads a movie.
    void load(const std::string& relative, const std::string& qml);
    // Runs events until `count` commands have arrived in all; false after ten seconds.
    bool waitForCommands(std::size_t count);
    // The window that holds the player's view; never shown unless a test shows it.
    QWidget& window() { return window_; }
    // Destroys the player (as a form does when it unloads).
    void destroyPlayer() { player_.reset(); }

    TempAppFolder folder;
    std::vector<std::string> opened;
    std::vector<std::string> commands;
    // Called for every command after it was recorded.
    std::function<void(const std::string& command, const std::string& args)> onCommand;

private:
    QmlPlayerFactory factory_;
    QWidget window_;
    std::unique_ptr<QmlFlashPlayer> player_;
};

// Runs events for a while, so that anything a movie started has had its chance to happen.
void settle();

} // namespace brisma::test
