#include "movie/frmMovie.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "platform/events/EventGate.h"

#include <QCloseEvent>
#include <QFile>
#include <QPointer>

namespace brisma {
namespace {

constexpr int Width = 660;
constexpr int Height = 560;
// On a reserved name that never resolves: loading it empties the player.
constexpr const char* NoMovie = "http://movie.brisma.invalid/";

// The shell ships with the application; it is none of the modules the server offers.
void writeShellWhenMissing(const std::string& path) {
    if (fs::existFile(path))
        return;
    QFile shell(QStringLiteral(":/brisma/movie/movie.qml"));
    if (!shell.open(QIODevice::ReadOnly))
        raise(err::FileNotFound, shell.fileName().toStdString());
    fs::writeFileAtomic(path, shell.readAll().toStdString());
}

} // namespace

frmMovie::frmMovie(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate,
                   FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand)
    : paths_(paths), errors_(errors), gate_(gate), swfPlayer_(players.create("movie", this)) {
    setWindowTitle(QStringLiteral("Brisma 動画広告"));
    setFixedSize(Width, Height);
    if (QWidget* view = swfPlayer_->widget())
        view->setGeometry(0, 0, Width, Height);
    swfPlayer_->setCommandHandler(std::move(onCommand));
    const std::string shell = paths_.flashModule("movie.swf");
    // A shell that cannot be written (a full disk) leaves the window empty until a movie plays;
    // it must not keep the bar that owns this window from starting.
    withHandler(errors_, "frmMovie.Form_Load >", [&] { writeShellWhenMissing(shell); });
    swfPlayer_->setMovie(shell);
}

frmMovie::~frmMovie() = default;

void frmMovie::playMovie(const std::string& id) {
    if (id.empty())
        return;
    if (blnPlay)
        CloseMovie();
    show();
    loadMovie(id);
}

void frmMovie::loadMovie(const std::string& id) {
    // Ids also come from the panels' commands: one that would leave its movie folder is refused.
    if (!fs::isSafeName(id))
        brisma::raise(err::BadFileName, id);
    const std::string play = paths_.playCopy();
    // The copy and the restored first byte are one atomic replace: the play copy never holds
    // the cached, complemented byte, and a failure leaves the previous file whole.
    std::string movie = fs::readFile(paths_.movieRoot() + id + "/" + id);
    if (movie.empty())
        brisma::raise(err::InputPastEndOfFile, id);
    movie[0] = static_cast<char>(~static_cast<unsigned char>(movie[0]));
    fs::writeFileAtomic(play, movie);
    strCurID = id;
    swfPlayer_->setMovie("");
    swfPlayer_->setMovie(play);
    swfPlayer_->Play();
    blnPlay = true;
    if (!LockedFile.lock(play, false))
        brisma::raise(err::PermissionDenied, play);
}

void frmMovie::CloseMovie() {
    CloseMovieByID(strCurID);
}

void frmMovie::CloseMovieByID(const std::string&) {
    LockedFile.unlock();
    // A play copy that is already gone is as good as deleted; a refresh must not wait for it
    // for the rest of the run.
    const std::string play = paths_.playCopy();
    if (fs::existFile(play))
        fs::deleteFile(play);
    swfPlayer_->setFrameNum(-1);
    swfPlayer_->setMovie(NoMovie);
    swfPlayer_->Stop();
    blnPlay = false;
}

void frmMovie::closeEvent(QCloseEvent* event) {
    // The window hides at once; the close waits for a procedure in progress like any command.
    event->accept();
    gate_.run([self = QPointer<frmMovie>(this)] {
        if (!self)
            return;
        withHandler(self->errors_, "frmMovie.Form_QueryUnload >", [&self] {
            if (self->blnPlay)
                self->CloseMovie();
        });
    });
}

} // namespace brisma
