#pragma once

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace brisma {

// The player control that every panel and the bar host. The system only sets and calls these
// members; it never reads a movie's state back, only whether a movie was loaded.
class FlashPlayer {
public:
    using CommandHandler = std::function<void(const std::string& command, const std::string& args)>;

    virtual ~FlashPlayer() = default;

    // A local file loads that movie anew from its first frame; the empty text or an address
    // that is not a local file empties the player.
    virtual void setMovie(const std::string& movie) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void GotoFrame(int frame) = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual void setFrameNum(int frame) = 0;
    virtual void setFlashVars(const std::string& vars) = 0;
    // False while the player is empty: no movie set, or one it cannot load.
    virtual bool hasMovie() const = 0;

    // The view to lay into a window; null for backends without one.
    virtual QWidget* widget() = 0;

    // The FSCommand event: every command of the movie, on the GUI thread, one at a time.
    void setCommandHandler(CommandHandler handler) { handler_ = std::move(handler); }

protected:
    // The handler runs from a copy: it may destroy this player.
    void raiseFSCommand(const std::string& command, const std::string& args) {
        if (const CommandHandler handler = handler_)
            handler(command, args);
    }

private:
    CommandHandler handler_;
};

// Chosen once, by the application builder: the QML backend on the desktop, a recording one in
// tests.
class FlashPlayerFactory {
public:
    virtual ~FlashPlayerFactory() = default;
    virtual std::unique_ptr<FlashPlayer> create(const std::string& name, QWidget* parent) = 0;
};

} // namespace brisma
