#include "movie/frmMovie.h"

#include "RecordingFlashPlayer.h"
#include "TestContext.h"
#include "common/BrismaError.h"
#include "movie/clsMovieInformation.h"

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisma {
namespace {

using namespace test;
using Calls = std::vector<std::string>;

constexpr std::size_t Piece = 131072;

// Asks for the lock of `path` from another process. Only system calls run in the child.
enum class OtherProcess { Refused, Granted, CannotOpen };
OtherProcess askLockFromAnotherProcess(const std::string& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(path.c_str(), O_RDWR);
        if (fd < 0)
            ::_exit(2);
        ::_exit(::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : (errno == EWOULDBLOCK ? 1 : 3));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return code == 1 ? OtherProcess::Refused : code == 0 ? OtherProcess::Granted : OtherProcess::CannotOpen;
}

// True when this process still has `path` open (also after it was deleted).
bool heldOpenHere(const std::string& path) {
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (!ec && (target == path || target == path + " (deleted)"))
            return true;
    }
    return false;
}

// Byte comparison that names the first difference instead of printing whole movies.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure()
           << actual.size() << " bytes against " << expected.size() << ", first difference at " << at;
}

struct MovieWindowTest : ::testing::Test {
    MovieWindowTest() {
        t.script.movie = t.server.base() + "movies/";
        std::filesystem::create_directories(t.paths.movieRoot());
    }

    // Serves `bytes` as movie `id` and lets the cache fetch and join it, as the movie cycle does.
    std::string cacheFromServer(const std::string& id, std::string bytes) {
        std::string xml = "<?xml version=\"1.0\"?><movie><id>" + id + "</id><length>" +
                          std::to_string(bytes.size()) + "</length><term>2027/01/31</term><splitdata n=\"" +
                          std::to_string((bytes.size() + Piece - 1) / Piece) + "\">";
        for (std::size_t at = 0, n = 1; at < bytes.size(); at += Piece, ++n) {
            const std::string name = id + "." + std::to_string(n);
            xml += "<p>" + name + "</p>";
            t.server.route("/movies/" + id + "/" + name, bytes.substr(at, Piece));
        }
        t.server.route("/movies/" + id + "/" + id + ".xml", xml + "</splitdata></movie>");
        clsMovieInformation record(t.paths, t.errors, t.clock, t.http, t.script);
        record.init(id);
        bool joined = false;
        for (std::size_t i = 0; i <= bytes.size() / Piece && !joined; ++i)
            joined = record.updateDat();
        EXPECT_TRUE(joined);
        EXPECT_TRUE(t.recorded.reports.empty());
        return bytes;
    }

    frmMovie& window() {
        if (!window_)
            window_ = std::make_unique<frmMovie>(
                t.paths, t.errors, t.gate, players,
                [this](const std::string& c, const std::string& a) { commands.push_back(c + "|" + a); });
        return *window_;
    }
    RecordingFlashPlayer& player() { return *players.player("movie"); }
    std::string play() const { return t.paths.playCopy(); }
    Calls loadCalls() const { return {"Movie=", "Movie=" + play(), "Play"}; }
    static Calls closeCalls() { return {"FrameNum=-1", "Movie=http://movie.brisma.invalid/", "Stop"}; }

    TestContext t;
    RecordingPlayerFactory players;
    Calls commands;
    std::unique_ptr<frmMovie> window_;
};

std::string movieBytes(std::size_t size, unsigned char first) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
    bytes[0] = static_cast<char>(first);
    return bytes;
}

TEST_F(MovieWindowTest, PlaysTheMovieAsTheServerSentItFromALockedPlayCopy) {
    const std::string sent = cacheFromServer("m0000001", movieBytes(Piece + 77, 0x5A));
    frmMovie& w = window();
    player().clearCalls();

    w.playMovie("m0000001");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_TRUE(w.blnPlay);
    EXPECT_EQ(w.strCurID, "m0000001");
    EXPECT_EQ(player().calls(), loadCalls());
    EXPECT_TRUE(sameBytes(t.folder.read("/play"), sent));
    std::string cached = sent;
    cached[0] = static_cast<char>(~0x5A);
    EXPECT_TRUE(sameBytes(t.folder.read("/movie/m0000001/m0000001"), cached));
    EXPECT_EQ(askLockFromAnotherProcess(play()), OtherProcess::Refused);

    // The player's commands reach the handler unchanged.
    player().command("movie:close", "");
    EXPECT_EQ(commands, Calls{"movie:close|"});

    player().clearCalls();
    w.CloseMovie();
    EXPECT_FALSE(w.blnPlay);
    EXPECT_EQ(player().calls(), closeCalls());
    EXPECT_FALSE(t.folder.exists("/play"));
    EXPECT_FALSE(heldOpenHere(play()));
    EXPECT_TRUE(w.isVisible()) << "closing a movie does not hide the window";
    EXPECT_TRUE(sameBytes(t.folder.read("/movie/m0000001/m0000001"), cached));
}

TEST_F(MovieWindowTest, AnotherMovieClosesThePlayingOneBeforeItIsCopied) {
    cacheFromServer("m0000001", movieBytes(300, 0x00));
    const std::string second = cacheFromServer("m0000002", movieBytes(2 * Piece + 1, 0xFF));
    frmMovie& w = window();
    w.playMovie("m0000001");
    player().clearCalls();

    w.playMovie("m0000002");
    Calls expected = closeCalls();
    for (const auto& call : loadCalls())
        expected.push_back(call);
    EXPECT_EQ(player().calls(), expected);
    EXPECT_TRUE(sameBytes(t.folder.read("/play"), second));
    EXPECT_EQ(w.strCurID, "m0000002");
    EXPECT_TRUE(w.blnPlay);
    EXPECT_EQ(askLockFromAnotherProcess(play()), OtherProcess::Refused);

    // A movie that is not in the cache: the playing one is closed, the failure reaches the caller.
    player().clearCalls();
    try {
        w.playMovie("m0000009");
        ADD_FAILURE() << "a missing movie raises";
    } catch (const BrismaError& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
    }
    EXPECT_EQ(player().calls(), closeCalls());
    EXPECT_FALSE(w.blnPlay);
    EXPECT_EQ(w.strCurID, "m0000002");
    EXPECT_FALSE(t.folder.exists("/play"));
    EXPECT_FALSE(heldOpenHere(play()));
    EXPECT_TRUE(t.recorded.reports.empty()) << "the window has no handler of its own";
}

TEST_F(MovieWindowTest, IdsThatPlayNothingChangeNothing) {
    cacheFromServer("m0000001", movieBytes(10, 0x42));
    t.folder.write("/movie/m0000003/m0000003", "");
    t.folder.write("/outside", "not a movie"); // what "/movie/../outside/../outside" names
    struct Case {
        const char* id;
        bool whilePlaying;
        long raises; // 0: nothing raised
    };
    for (const Case c :
         {Case{"", false, 0}, Case{"", true, 0}, Case{"m0000002", false, err::FileNotFound},
          Case{"m0000003", false, err::InputPastEndOfFile}, Case{"../outside", false, err::BadFileName}}) {
        SCOPED_TRACE(std::string(c.id) + (c.whilePlaying ? " while playing" : ""));
        window_.reset();
        frmMovie& w = window();
        if (c.whilePlaying)
            w.playMovie("m0000001");
        const std::string before = t.folder.exists("/play") ? t.folder.read("/play") : "(none)";
        player().clearCalls();
        try {
            w.playMovie(c.id);
            EXPECT_EQ(c.raises, 0);
        } catch (const BrismaError& e) {
            EXPECT_EQ(e.number(), c.raises);
        }
        EXPECT_EQ(w.blnPlay, c.whilePlaying);
        EXPECT_EQ(w.strCurID, c.whilePlaying ? "m0000001" : "");
        EXPECT_EQ(t.folder.exists("/play") ? t.folder.read("/play") : "(none)", before);
        EXPECT_EQ(player().calls(), Calls{});
        if (c.whilePlaying)
            w.CloseMovie();
    }
}

TEST_F(MovieWindowTest, CloseControlClosesTheMovieAndHidesTheWindow) {
    cacheFromServer("m0000001", movieBytes(10, 0x42));
    frmMovie& w = window();
    w.playMovie("m0000001");
    player().clearCalls();
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.blnPlay);
    EXPECT_EQ(player().calls(), closeCalls());
    EXPECT_FALSE(t.folder.exists("/play"));

    // Shown again for the next movie.
    w.playMovie("m0000001");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.blnPlay);
}

TEST_F(MovieWindowTest, ShellIsWrittenWhenMissingAndLeftAloneWhenPresent) {
    const std::string shell = t.paths.flashModule("movie.swf");
    frmMovie& w = window();
    EXPECT_EQ(w.size(), QSize(660, 560));
    EXPECT_EQ(t.folder.read("/flash/movie.swf"), readTestData(BRISMA_MOVIE_SHELL_DIR, "movie.qml"));
    EXPECT_EQ(player().calls(), Calls{"Movie=" + shell});

    window_.reset();
    t.folder.write("/flash/movie.swf", "a newer shell");
    window();
    EXPECT_EQ(t.folder.read("/flash/movie.swf"), "a newer shell");
    EXPECT_EQ(player().calls(), Calls{"Movie=" + shell});
}

// What the player gives every movie as `flash`, as far as these movies use it: it plays and keeps
// the commands it is sent.
constexpr const char* FlashStandIn = R"(import QtQml
QtObject {
    property bool playing: true
    property int frame: 0
    property var commands: []
    signal frameSet(int frame)
    function fscommand(command, args) { commands.push(command + "|" + args); }
})";

struct MovieDocument {
    const char* name;
    const char* folder;
    const char* file;
    bool closes; // has the "閉じる" button that sends movie:close
};

void PrintTo(const MovieDocument& document, std::ostream* os) {
    *os << document.file;
}

class MovieDocuments : public ::testing::TestWithParam<MovieDocument> {};

TEST_P(MovieDocuments, RunAsQmlOfTheWindowsSizeAndCloseTheWindow) {
    QQmlEngine engine;
    QList<QQmlError> warnings;
    QObject::connect(&engine, &QQmlEngine::warnings, [&](const QList<QQmlError>& w) { warnings += w; });
    QQmlComponent flashComponent(&engine);
    flashComponent.setData(FlashStandIn, QUrl());
    const std::unique_ptr<QObject> flash(flashComponent.create());
    ASSERT_TRUE(flash) << flashComponent.errorString().toStdString();
    QQmlContext context(engine.rootContext());
    context.setContextProperty(QStringLiteral("flash"), flash.get());

    const QString path = QString::fromStdString(std::string(GetParam().folder) + "/" + GetParam().file);
    QQmlComponent movie(&engine, QUrl::fromLocalFile(path));
    ASSERT_TRUE(movie.isReady()) << movie.errorString().toStdString();
    const std::unique_ptr<QObject> root(movie.create(&context));
    auto* item = qobject_cast<QQuickItem*>(root.get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->width(), 660);
    EXPECT_EQ(item->height(), 560);
    // A moment of playing, so the animations' scripts run.
    QElapsedTimer playing;
    playing.start();
    while (playing.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (const auto& w : warnings)
        ADD_FAILURE() << w.toString().toStdString();

    auto* button = item->findChild<QQuickItem*>(QStringLiteral("closeButton"));
    ASSERT_EQ(button != nullptr, GetParam().closes);
    if (!button)
        return;
    QObject* area = nullptr;
    for (QQuickItem* child : button->childItems())
        if (std::string(child->metaObject()->className()).starts_with("QQuickMouseArea"))
            area = child;
    ASSERT_NE(area, nullptr);
    const QMetaMethod clicked =
        area->metaObject()->method(area->metaObject()->indexOfSignal("clicked(QQuickMouseEvent*)"));
    void* noEvent = nullptr;
    ASSERT_TRUE(clicked.invoke(area, Qt::DirectConnection, QGenericArgument("QQuickMouseEvent*", &noEvent)));
    EXPECT_EQ(flash->property("commands").toStringList(), QStringList{QStringLiteral("movie:close|")});
}

INSTANTIATE_TEST_SUITE_P(
    ShellAndDemo, MovieDocuments,
    ::testing::Values(MovieDocument{"Shell", BRISMA_MOVIE_SHELL_DIR, "movie.qml", false},
                      MovieDocument{"ProductTeaser", BRISMA_DEMO_MOVIES_DIR, "80000001.qml", true},
                      MovieDocument{"ServiceNotice", BRISMA_DEMO_MOVIES_DIR, "80000002.qml", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace brisma
