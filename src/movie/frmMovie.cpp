#include "movie/frmMovie.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "platform/ui/EventGate.h"

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

frmMovie::frmMovie(AppContext& ctx, FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand)
    : ctx_(ctx), swfPlayer_(players.create("movie", this)) {
    setWindowTitle(QStringLiteral("Brisma 動画広告"));
    setFixedSize(Width, Height);
    if (QWidget* view = swfPlayer_->widget())
        view->setGeometry(0, 0, Width, Height);
    swfPlayer_->setCommandHandler(std::move(onCommand));
    const std::string shell = ctx_.paths.flashModule("movie.swf");
    // A shell that cannot be written (a full disk) leaves the window empty until a movie plays;
    // it must not keep the bar that owns this window from starting.
    withHandler(ctx_.errors, "frmMovie.Form_Load >", [&] { writeShellWhenMissing(shell); });
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
    const std::string play = ctx_.paths.playCopy();
    // The copy and the restored first byte are one atomic replace: the play copy never holds
    // the cached, complemented byte, and a failure leaves the previous file whole.
    std::string movie = fs::readFile(ctx_.paths.movieRoot() + id + "/" + id);
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
    const std::string play = ctx_.paths.playCopy();
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
    ctx_.gate.run([self = QPointer<frmMovie>(this)] {
        if (!self)
            return;
        withHandler(self->ctx_.errors, "frmMovie.Form_QueryUnload >", [&self] {
            if (self->blnPlay)
                self->CloseMovie();
        });
    });
}

} // namespace brisma
