#include "NormalStart.h"
#include "bar/frmTicker.h"
#include "movie/frmMovie.h"
#include "panels/frmList.h"
#include "platform/ui/StringTable.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <qpa/qplatformnativeinterface.h>
#include <tuple>

namespace brisma::test {
namespace {

QString res(int id) {
    return QString::fromStdString(LoadResString(id));
}

QRect workArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The offscreen platform's screens, replaced while the application runs as when a monitor is
// plugged in or out; a removed primary screen hands that role to the next.
QJsonArray screens() {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    using Get = QJsonObject (*)(QPlatformNativeInterface*);
    const auto get = reinterpret_cast<Get>(native->nativeResourceForIntegration("configuration"));
    return get(native)[QStringLiteral("screens")].toArray();
}

void setScreens(const QJsonArray& list) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    using Get = QJsonObject (*)(QPlatformNativeInterface*);
    using Set = void (*)(const QJsonObject&, QPlatformNativeInterface*);
    const auto get = reinterpret_cast<Get>(native->nativeResourceForIntegration("configuration"));
    const auto set = reinterpret_cast<Set>(native->nativeResourceForIntegration("setConfiguration"));
    QJsonObject config = get(native);
    config[QStringLiteral("screens")] = list;
    set(config, native);
    QCoreApplication::processEvents();
}

// The tray, its menu and the placement watch on a normally started application.
class Tray : public NormalStart {
protected:
    void startApp() {
        t = std::make_unique<TestApp>(folder, server);
        ASSERT_TRUE(t->start());
    }
    frmMain& main() { return t->app().main(); }
    frmTicker& bar() { return t->app().ticker(); }
    frmList& list() { return t->app().list(); }
    void click(TrayIcon::Activation how) { t->trays.last->activate(how); }
    // The menu's state: the two captions that follow the windows and whether the list item works.
    std::tuple<QString, QString, bool> menu() {
        return {main().mnApp->text(), main().mnNewsList->text(), main().mnNewsList->isEnabled()};
    }
    void rightClickOnHeadlines() {
        QWidget& view = bar().view();
        const QPointF at(50, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, view.mapToGlobal(at), Qt::RightButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &release);
    }

    std::unique_ptr<TestApp> t;
};

TEST_F(Tray, ClickOpensAndClosesTheBarAndTheListFollows) {
    startApp();
    RecordingTrayIcon* icon = t->trays.last;
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->visible);
    EXPECT_FALSE(icon->icon.isNull());
    EXPECT_EQ(icon->toolTip, QStringLiteral("Brisma：左ｸﾘｯｸでﾍｯﾄﾞﾗｲﾝﾊﾞｰの開閉、右ｸﾘｯｸでﾒﾆｭｰ"));
    EXPECT_FALSE(bar().blnOpen);
    EXPECT_EQ(menu(), std::make_tuple(res(102), res(182), false));
    EXPECT_EQ(main().mnuAbout->text(), res(104));
    EXPECT_EQ(main().mnFin->text(), res(105));

    click(TrayIcon::Activation::Trigger);
    EXPECT_TRUE(bar().blnOpen);
    EXPECT_TRUE(bar().isVisible());
    EXPECT_EQ(bar().x(), 0);
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(182), true));

    // The list as the bar's box opens it, in the middle of the bar.
    list().ShowList(400, 0, 0);
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(183), true));

    click(TrayIcon::Activation::Trigger);
    EXPECT_FALSE(bar().blnOpen);
    EXPECT_FALSE(bar().isVisible());
    EXPECT_FALSE(list().blnOpen);
    EXPECT_FALSE(list().isVisible());
    // Closed toward the bar's right end (bar width - 10), kept inside the work area.
    EXPECT_EQ(list().x(), workArea().right() + 1 - list().width());
    EXPECT_EQ(menu(), std::make_tuple(res(102), res(182), false));
}

TEST_F(Tray, MenuCommandsOpenTheBarAndTheListAtTheScreensRightEnd) {
    startApp();
    main().mnApp->trigger();
    EXPECT_TRUE(bar().blnOpen);
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(182), true));

    main().mnNewsList->trigger();
    EXPECT_TRUE(list().blnOpen);
    EXPECT_TRUE(list().isVisible());
    EXPECT_EQ(list().geometry().right(), workArea().right());
    EXPECT_EQ(list().geometry().bottom() + 1, bar().y());
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(183), true));

    main().mnNewsList->trigger();
    EXPECT_FALSE(list().blnOpen);
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(list().y(), bar().y());

    main().mnApp->trigger();
    EXPECT_FALSE(bar().blnOpen);
    EXPECT_EQ(menu(), std::make_tuple(res(102), res(182), false));

    // The tray opens the menu it was given; a right click on the bar does not, with a tray.
    EXPECT_EQ(t->trays.last->menu, &main().mnuPopup);
    t->trays.last->rightClick();
    EXPECT_TRUE(main().mnuPopup.isVisible());
    main().mnuPopup.hide();
    main().mnApp->trigger();
    rightClickOnHeadlines();
    EXPECT_FALSE(main().mnuPopup.isVisible());
    for (const auto& r : t->errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;
}

TEST_F(Tray, WithoutATrayTheBarOpensAtStartAndItsRightClickOpensTheMenu) {
    t = std::make_unique<TestApp>(folder, server);
    t->trays.trayAvailable = false;
    ASSERT_TRUE(t->start());
    EXPECT_EQ(t->trays.last, nullptr);
    EXPECT_EQ(main().trayIcon(), nullptr);
    EXPECT_TRUE(bar().blnOpen);
    EXPECT_TRUE(bar().isVisible());
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(182), true));
    EXPECT_FALSE(main().mnuPopup.isVisible());
    rightClickOnHeadlines();
    EXPECT_TRUE(main().mnuPopup.isVisible());
    EXPECT_TRUE(bar().blnMouseUp);
    main().mnuPopup.hide();
}

// Whoever opens or closes the bar, the list entry works exactly while it is open and the list
// never stays up without it; the list opens at the right end of the primary screen, wherever
// that screen lies on the desktop.
TEST_F(Tray, TheListAndItsEntryFollowTheBarWhoeverMovesIt) {
    startApp();
    RecordingFlashPlayer& box = *t->players.player("ticker");
    main().mnApp->trigger();
    main().mnNewsList->trigger();
    ASSERT_TRUE(list().blnOpen);
    main().mnApp->trigger();
    EXPECT_FALSE(bar().blnOpen);
    EXPECT_FALSE(list().blnOpen);
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(menu(), std::make_tuple(res(102), res(182), false));

    // A channel change made while the bar was closed opens it, and the entry with it.
    box.command("channel:chset", "2-5-");
    EXPECT_TRUE(bar().blnOpen);
    EXPECT_EQ(menu(), std::make_tuple(res(101), res(182), true));
    // A malformed change leaves the bar closed, and the entry too.
    box.command("channel:chset", "2-x-");
    EXPECT_FALSE(bar().blnOpen);
    EXPECT_EQ(menu(), std::make_tuple(res(102), res(182), false));

    // The primary screen right of another one.
    const QJsonArray original = screens();
    QJsonObject primary = original[0].toObject();
    const int left = primary[QStringLiteral("width")].toInt();
    primary[QStringLiteral("x")] = left;
    QJsonObject other = original[0].toObject();
    other[QStringLiteral("name")] = QStringLiteral("other");
    setScreens({primary, other});
    ASSERT_EQ(workArea().x(), left);
    main().mnApp->trigger();
    main().mnNewsList->trigger();
    EXPECT_EQ(list().geometry().right(), workArea().right());
    EXPECT_EQ(list().geometry().bottom() + 1, bar().y());
    box.command("box:list", "");
    box.command("box:list", "");
    EXPECT_EQ(list().geometry().right(), workArea().right());
    setScreens(original);
}

// A second start on the same folder asks the running client to bring its bar into view and
// ends; anything else on the channel is dropped, a peer that says nothing too, and a bar in view
// stays open.
TEST_F(Tray, ASecondStartBringsTheBarIntoViewAndEnds) {
    startApp();
    const auto settle = [] {
        for (int i = 0; i < 50; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
    };
    QLocalSocket silent;
    silent.connectToServer(t->app().instanceChannel().address());
    ASSERT_TRUE(silent.waitForConnected(2000));
    QLocalSocket other;
    other.connectToServer(t->app().instanceChannel().address());
    ASSERT_TRUE(other.waitForConnected(2000));
    other.write("shown\n");
    other.waitForBytesWritten(2000);
    settle();
    EXPECT_FALSE(bar().blnOpen);

    for (int round = 0; round < 2; ++round) {
        TestApp second(folder, server);
        EXPECT_FALSE(second.start());
        settle();
        EXPECT_TRUE(bar().blnOpen) << round;
        EXPECT_EQ(menu(), std::make_tuple(res(101), res(182), true));
    }
    // Dropped after a silence of 2 s; the bound only guards against a hang.
    for (int i = 0; i < 1000 && silent.state() != QLocalSocket::UnconnectedState; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_EQ(silent.state(), QLocalSocket::UnconnectedState);
}

// A change of resolution or of the work area, as the offscreen platform's screen makes it.
TEST_F(Tray, PlacementWatchReplacesBarAndOpenListAfterAChange) {
    startApp();
    main().mnApp->trigger();
    main().mnNewsList->trigger();
    const QRect work = workArea();
    const QPoint barHome = bar().pos();
    const QPoint listHome(work.right() + 1 - list().width(),
                          work.bottom() + 1 - bar().height() - list().height());
    ASSERT_EQ(list().pos(), listHome);

    // The screen's width and height and the work area's right and bottom edges, each changed
    // and changed back: the watch sees the difference from its snapshot.
    const QJsonArray original = screens();
    const auto changedAndBack = [&](const char* key, int value) {
        QJsonObject changed = original[0].toObject();
        changed[QLatin1String(key)] = value;
        setScreens({changed});
        ASSERT_NE(workArea(), work) << key;
        setScreens(original);
    };
    for (auto [key, value] : {std::pair{"width", 1600}, {"height", 900}, {"x", 40}, {"y", 30}}) {
        bar().move(0, 5);
        list().move(7, 9);
        main().TimerApp_Timer();
        EXPECT_EQ(list().pos(), QPoint(7, 9)) << "no change seen, nothing re-placed";
        changedAndBack(key, value);
        EXPECT_EQ(bar().pos(), barHome) << key;
        EXPECT_EQ(bar().width(), work.width());
        EXPECT_EQ(list().pos(), listHome) << key;
    }

    // A bar above the work area's bottom comes down without any change of the screen.
    bar().move(0, barHome.y() - 40);
    main().TimerApp_Timer();
    EXPECT_EQ(bar().pos(), barHome);

    // A closed list goes below the work area.
    main().mnNewsList->trigger();
    changedAndBack("height", 900);
    EXPECT_EQ(list().y(), work.bottom() + 1);
    EXPECT_EQ(list().x(), listHome.x());
}

TEST_F(Tray, TheBarAndTheListFollowThePrimaryScreenToItsWorkArea) {
    const QJsonArray original = screens();
    ASSERT_EQ(original.size(), 1);
    startApp();
    main().mnApp->trigger();
    main().mnNewsList->trigger();
    const QRect home = workArea();
    const QRect barHome(home.x(), home.bottom() + 1 - 24, home.width(), 24);
    ASSERT_EQ(bar().geometry(), barHome);
    // Right of the first, twice as dense: 1280 x 1024 pixels of the desktop.
    QJsonObject side;
    side[QStringLiteral("name")] = QStringLiteral("side");
    side[QStringLiteral("x")] = home.right() + 1;
    side[QStringLiteral("y")] = 0;
    side[QStringLiteral("width")] = 2560;
    side[QStringLiteral("height")] = 2048;
    side[QStringLiteral("logicalDpi")] = 192;
    side[QStringLiteral("logicalBaseDpi")] = 96;
    const auto expectOn = [this](const QRect& work, int scale) {
        EXPECT_EQ(bar().geometry(), QRect(work.x(), work.bottom() + 1 - 24, work.width(), 24));
        EXPECT_EQ(bar().hBufDC->readBack().size(), QSize(work.width() * scale, 24 * scale));
        EXPECT_EQ(list().pos(),
                  QPoint(work.right() + 1 - list().width(), work.bottom() + 1 - 24 - list().height()));
    };

    setScreens({original[0], side});
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    expectOn(home, 1);
    // The first is unplugged: the other becomes primary and takes the bar and the list.
    setScreens({side});
    ASSERT_EQ(QGuiApplication::primaryScreen()->name(), QStringLiteral("side"));
    const QRect sideWork(home.right() + 1, 0, 1280, 1024);
    ASSERT_EQ(workArea(), sideWork);
    expectOn(sideWork, 2);
    // The watch follows the new primary screen's own changes.
    side[QStringLiteral("height")] = 1600;
    setScreens({side});
    expectOn(QRect(home.right() + 1, 0, 1280, 800), 2);

    // Plugged back in and made primary again.
    setScreens({side, original[0]});
    setScreens({original[0]});
    ASSERT_EQ(workArea(), home);
    expectOn(home, 1);
}

// 300 ticks pass quietly, the 301st refreshes modules, channels, movies and logs, rebuilds the
// merged list and restarts the list movie; a playing movie holds the refresh until it ends.
TEST_F(Tray, RefreshRunsOnThe301stTickAndWaitsForAPlayingMovie) {
    // The list module could not be fetched at start; the refresh brings it.
    serveScript("<Directory><Name>listflash</Name><Argument>False</Argument><Url>" + server.base() +
                "list.swf</Url><Version>2</Version></Directory>");
    TestServer::Response broken;
    broken.body = "partial";
    broken.truncate = true;
    server.route("/list.swf", broken);
    startApp();
    t->app().services().http.flush(3000);
    EXPECT_FALSE(folder.exists("/flash/list.swf"));
    server.route("/list.swf", std::string("import QtQuick 2.0\nItem {}\n"));
    t->errors->reports.clear();

    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i)
            t->app().handle([&] { main().TimerHTTP_Timer(); });
    };
    const auto targetsAfterStart = server.targets().size();
    RecordingFlashPlayer& listPlayer = *t->players.player("list");
    listPlayer.clearCalls();

    ticks(300);
    EXPECT_EQ(server.targets().size(), targetsAfterStart);
    EXPECT_EQ(main().intHTTPTimerCountByMinutes, 300);

    folder.write("/flash/xml/news998.xml", "stale");
    ticks(1);
    t->app().services().http.flush(3000);
    EXPECT_EQ(main().intHTTPTimerCountByMinutes, 0);
    const std::vector<std::string> all = server.targets();
    const std::vector<std::string> seen(all.begin() + static_cast<long>(targetsAfterStart), all.end());
    std::vector<std::string> wanted = {"/list.swf"};
    for (int ch : kChannels)
        wanted.push_back("/feeds/" + std::to_string(ch) + ".xml");
    wanted.push_back("/movie//movie.xml");
    wanted.push_back("/movie/70000003/70000003.001");
    for (const auto& w : wanted)
        EXPECT_NE(std::find(seen.begin(), seen.end(), w), seen.end()) << w;
    EXPECT_EQ(folder.read("/flash/list.swf"), "import QtQuick 2.0\nItem {}\n");
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news901.xml"), expected("news901.xml"));
    // The new module is loaded, then the list starts over with the new headlines.
    const auto& calls = listPlayer.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(
        std::vector<std::string>(calls.end() - 4, calls.end()),
        (std::vector<std::string>{"Movie=" + server.base(), "Movie=" + folder.path() + "/flash/list.swf",
                                  "GotoFrame 1", "Playing=True"}));

    t->app().movie().playMovie("70000001");
    ASSERT_TRUE(t->app().movie().blnPlay);
    const auto beforeMovie = server.targets().size();
    ticks(400);
    EXPECT_EQ(server.targets().size(), beforeMovie);
    t->app().movie().CloseMovie();
    ticks(1);
    EXPECT_EQ(main().intHTTPTimerCountByMinutes, 0);
    EXPECT_GT(server.targets().size(), beforeMovie);
    for (const auto& r : t->errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;
}

} // namespace
} // namespace brisma::test
