#pragma once

#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "platform/fs/FileSystem.h"
#include "platform/player/FlashPlayer.h"

#include <QWidget>
#include <memory>
#include <string>

class QCloseEvent;

namespace brisma {

class EventGate;
// The window in which a cached movie advertisement plays. Its player first shows the movie
// shell "/flash/movie.swf"; for playback it shows the play copy "/play", the movie restored to
// the bytes the server sent, held open and locked while it plays. The window's operations have
// no error handlers: failures pass to the caller.
class frmMovie : public QWidget {
public:
    // The player's commands go to `onCommand` unchanged.
    frmMovie(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, FlashPlayerFactory& players,
             FlashPlayer::CommandHandler onCommand);
    ~frmMovie() override;

    // Shows the window (not modal) and plays the cached movie `id`, closing a playing one first.
    // An empty id does nothing.
    void playMovie(const std::string& id);
    void CloseMovie();
    // Unlocks and deletes the play copy and empties the player; `id` is not used.
    void CloseMovieByID(const std::string& id);

    FlashPlayer& swfPlayer() { return *swfPlayer_; }

    bool blnPlay = false;
    std::string strCurID;

protected:
    // The window system's close control closes the movie and hides the window.
    void closeEvent(QCloseEvent* event) override;

private:
    void loadMovie(const std::string& id);

    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    std::unique_ptr<FlashPlayer> swfPlayer_;
    fs::FileLock LockedFile;
};

} // namespace brisma
