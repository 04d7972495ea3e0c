#include "TestApp.h"
#include "bar/frmTicker.h"
#include "movie/frmMovie.h"
#include "panels/frmSplash.h"
#include "panels/frmStart.h"
#include "shell/frmMain.h"
#include "shell/modApp.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace brisma::test {
namespace {

const char* kChannelList = "<?xml version=\"1.0\"?><list><channel kind=\"news\"><number>5</number>"
                           "<name-JP>N</name-JP><type-JP>T</type-JP><owner>O</owner><count>10</count>"
                           "<hlid>FEED</hlid><password></password></channel></list>";

// Every file below the folder with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>>
snapshot(const std::string& dir) {
    std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        files[e.path().string()] = {e.is_regular_file() ? e.file_size() : 0, e.last_write_time()};
    return files;
}

// Channel 5 with a one-item feed; each answer takes `delayMs`.
void serveOneChannel(TestServer& server, int delayMs = 0) {
    TestServer::Response list;
    list.body = kChannelList;
    list.body.replace(list.body.find("FEED"), 4, server.base() + "feed5.xml");
    list.delayMs = delayMs;
    server.route("/channel.xml", list);
    TestServer::Response feed;
    feed.body = "<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"r\" xmlns:brs=\"b\"><item>"
                "<brs:hlid>0052026120800000001</brs:hlid><credit>c</credit><title>t</title>"
                "<link>l</link></item></rdf:RDF>";
    feed.delayMs = delayMs;
    server.route("/feed5.xml", feed);
}

TEST(ServerScript, EntriesAreReadWhereverTheyStandAndTheLaterWins) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml",
                 scriptXml(server.base(),
                           "<Group><Directory><Name>listflash</Name><Argument>1</Argument><Url>L1</Url>"
                           "<Version>4</Version></Directory></Group>"
                           "<Directory><Version>-1</Version><Url>J</Url><Argument>True</Argument>"
                           "<Name>jumpflash</Name></Directory>"
                           "<Directory><Name>listflash</Name><Argument>False</Argument><Url>L2</Url>"
                           "<Version>9</Version></Directory>"
                           "<Directory><Name>unknown</Name><Argument>0</Argument><Url>X</Url>"
                           "<Version>3</Version></Directory>"
                           "<Directory><Name>ticker_banner</Name><Argument>False</Argument><Url>TB</Url>"
                           "<Version>-1</Version><TBId>9990000000000000001</TBId><TBText>バナー</TBText>"
                           "<TBHref>H</TBHref><TBView>V</TBView></Directory>"));
    TestApp t(folder, server);
    t.app().app().GetScriptXML();

    const ScriptValues& s = t.app().script();
    EXPECT_EQ(s.logclick, server.base() + "logclick");
    EXPECT_EQ(s.channel, server.base() + "channel.xml");
    EXPECT_EQ(s.listflash.url, "L2");
    EXPECT_EQ(s.listflash.version, 9);
    // A module entry with version -1 takes the version text of the entry before it.
    EXPECT_EQ(s.jumpflash.url, "J");
    EXPECT_EQ(s.jumpflash.version, 4);
    EXPECT_EQ(s.tickerBannerUrl, "TB");
    EXPECT_EQ(s.TBText, "バナー");
    EXPECT_EQ(s.TBView, "V");
    EXPECT_FALSE(t.ended());
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_TRUE(t.errors->reports.empty());
}

TEST(ServerScript, AnUnusableScriptShowsTheParserMessageAndEnds) {
    const std::vector<std::string> unusable = {
        // An Argument that is neither a Boolean word nor a number.
        "<Directory><Name>user</Name><Argument>maybe</Argument><Url>U</Url><Version>1</Version></Directory>",
        // A module entry before any version text.
        "<Directory><Name>boxflash</Name><Argument>True</Argument><Url>B</Url><Version>-1</Version></"
        "Directory>",
        // A missing element.
        "<Directory><Name>user</Name><Url>U</Url><Version>1</Version></Directory>",
    };
    for (const std::string& entry : unusable) {
        TempAppFolder folder;
        TestServer server;
        server.route("/scripts_desktop3.xml", "<Scripts>" + entry + "</Scripts>");
        TestApp t(folder, server);
        EXPECT_FALSE(t.start()) << entry;
        EXPECT_EQ(t.messages.shown,
                  std::vector<std::string>{
                      "MSXMLの利用に失敗しました。InternetExplorerのアップデートをお勧めします。"});
        EXPECT_TRUE(t.errors->has("modApp.GetScriptXML >")) << entry;
        // The script came before anything else was fetched.
        EXPECT_EQ(server.targets(), std::vector<std::string>{"/scripts_desktop3.xml"});
    }
}

void runEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(StartUp, AFirstStartBeforeTheServerWaitsForItThenBuildsFoldersAndOpensRegistration) {
    TempAppFolder folder;
    TestServer server; // no routes: every answer is an HTML error page
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "nothing is written while the script is awaited";
    ASSERT_NE(t.app().main().trayIcon(), nullptr);
    EXPECT_FALSE(t.app().app().blnFirstStart);
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    runEventsUntil([&] { return t.app().app().blnFirstStart; });

    for (const char* sub : {"/flash", "/flash/xml", "/flash/banner"})
        EXPECT_TRUE(std::filesystem::is_directory(folder.path() + sub)) << sub;
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_TRUE(t.app().app().blnFirstStart);
    EXPECT_EQ(t.app().app().selectedChannelNum(), 8);
    EXPECT_TRUE(t.app().startForm().isVisible());
    EXPECT_EQ(t.players.player("start")->movie(), folder.path() + "/flash/start2.swf");
    // The bar, the tray icon and the timers wait for the end of registration.
    EXPECT_EQ(t.app().main().trayIcon(), nullptr) << "the waiting icon is gone";
    EXPECT_TRUE(t.app().main().mnuChange->isEnabled());
    EXPECT_EQ(t.app().loadedTicker(), nullptr);
    EXPECT_FALSE(t.app().main().TimerApp.isActive());
    EXPECT_FALSE(t.app().main().TimerHTTP.isActive());
    // The splash goes on its own once it has been seen long enough; start-up did not wait.
    QElapsedTimer waited;
    waited.start();
    while (t.app().splash().isVisible() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(t.app().splash().isVisible());
    const std::vector<std::string> splashCalls = t.players.player("splash")->calls();
    EXPECT_EQ(splashCalls, (std::vector<std::string>{"Movie=" + folder.path() + "/flash/splash.swf",
                                                     "GotoFrame 0", "Playing=True"}));
}

TEST(StartUp, ASecondInstanceEndsAtOnceAndTouchesNothing) {
    TempAppFolder folder;
    TestServer server;
    TestApp first(folder, server);
    ASSERT_TRUE(first.start());
    first.app().services().http.flush(2000);
    const auto before = snapshot(folder.path());
    const std::size_t requests = server.targets().size();

    TestApp second(folder, server);
    EXPECT_FALSE(second.start());
    EXPECT_EQ(snapshot(folder.path()), before);
    EXPECT_EQ(server.targets().size(), requests);
    EXPECT_EQ(second.players.player("splash"), nullptr) << "no splash panel for a second copy";
}

TEST(StartUp, ProfileOfThisVersionIsNotReportedAnOlderOneIsReportedAndRewritten) {
    // The reports of a normal start with a profile of `version`.
    const auto reportsFor = [](const std::string& version) {
        TempAppFolder folder;
        TestServer server;
        server.route("/scripts_desktop3.xml", scriptXml(server.base()));
        serveOneChannel(server);
        writeProfile(folder, version);
        TestApp t(folder, server);
        EXPECT_TRUE(t.start());
        t.app().services().http.flush(2000);
        EXPECT_NE(t.app().main().trayIcon(), nullptr);
        EXPECT_TRUE(t.app().main().TimerApp.isActive());
        EXPECT_TRUE(t.app().main().TimerHTTP.isActive());
        EXPECT_NE(folder.read("/flash/xml/user.xml").find("<version>3.1.1</version>\r\n"), std::string::npos);
        return reportTargets(server);
    };
    for (const auto& target : reportsFor("3.1.1"))
        EXPECT_NE(target.rfind("/user", 0), 0u) << target;
    const auto reports = reportsFor("3.0.9");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front(), "/user?com=update&version=3.1.1&type=desktop3&id=U001&email=a@example.com"
                               "&sex=&bday=&prefecture=0&prid=&arid=&cls=&job=&netenv=&pcenv=&carier="
                               "&date=20261208&time=102030");
}

TEST(StartUp, ANormalStartWithoutChannelListEndsWithoutMessage) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    writeProfile(folder, "3.1.1");
    TestApp t(folder, server);
    EXPECT_FALSE(t.start());
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_TRUE(t.errors->has("frmMain.Load >"));
}

// A login page in the script's place, a well-formed page without entries and an error status
// are no script: the client waits with only its exit, which ends it without writing anything.
TEST(StartUp, WhileTheScriptIsAwaitedOnlyTheExitWorksAndNothingIsWritten) {
    TempAppFolder folder;
    TestServer server;
    writeProfile(folder, "3.1.1");
    const auto before = snapshot(folder.path());
    server.route("/scripts_desktop3.xml", "<html><body><form>Wi-Fi login<br></form></body></html>");
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    TestServer::Response busy;
    busy.status = 503;
    busy.body = scriptXml(server.base());
    TestServer::Response empty;
    empty.body = "<html><body>login</body></html>";
    for (const TestServer::Response& answer : {empty, busy}) {
        const std::size_t asked = server.targets().size();
        server.route("/scripts_desktop3.xml", answer);
        runEventsUntil([&] { return server.targets().size() > asked; });
    }

    const frmMain& main = t.app().main();
    ASSERT_NE(main.trayIcon(), nullptr);
    const RecordingTrayIcon& icon = *t.trays.last;
    EXPECT_TRUE(icon.visible);
    EXPECT_EQ(icon.toolTip.toStdString(), "Brisma：サーバーへの接続を待っています（自動で再接続します）");
    for (const QAction* item : {main.mnApp, main.mnNewsList, main.mnuChange, main.mnuAbout})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    EXPECT_TRUE(main.mnFin->isEnabled());
    t.trays.last->activate(TrayIcon::Activation::Trigger);
    EXPECT_EQ(t.app().loadedTicker(), nullptr) << "a left click opens nothing";
    EXPECT_EQ(t.players.player("splash"), nullptr);

    t.app().handle([&] { t.app().main().mnFin_Click(); });
    EXPECT_TRUE(t.ended());
    EXPECT_EQ(snapshot(folder.path()), before);
    EXPECT_EQ(downloadTargets(server),
              std::vector<std::string>(server.targets().size(), "/scripts_desktop3.xml"));
    EXPECT_TRUE(t.messages.shown.empty());
}

TEST(StartUp, AServerThatNeverAnswersIsWaitedForWhileTimersTick) {
    TempAppFolder folder;
    TestServer server;
    TestServer::Response hang;
    hang.hang = true;
    server.route("/scripts_desktop3.xml", hang);
    TestApp t(folder, server);

    int ticks = 0;
    QTimer scroll;
    QObject::connect(&scroll, &QTimer::timeout, [&] { ++ticks; });
    scroll.start(20);
    ASSERT_TRUE(t.start()) << "an unreachable script is not a failure";
    EXPECT_GT(ticks, 0) << "the scroll timer must keep ticking during a download";
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_FALSE(t.app().app().blnFirstStart) << "no start without the script";
}

TEST(StartUp, ASlowServerDuringTheNormalStartDoesNotStopTheTimers) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    serveOneChannel(server, 2000);
    writeProfile(folder, "3.1.1");
    folder.write("/flash/xml/selected.xml", "<selected><item><number>5</number></item></selected>");
    TestApp t(folder, server);

    int ticks = 0;
    QTimer scroll;
    QObject::connect(&scroll, &QTimer::timeout, [&] { ++ticks; });
    scroll.start(20);
    ASSERT_TRUE(t.start());
    EXPECT_GT(ticks, 1) << "the scroll timer must keep ticking through both slow answers";
    EXPECT_TRUE(folder.exists("/flash/xml/news5.xml"));
}

TEST(StartUp, GarbageErrorPagesAndEndlessBodiesDoNotCrash) {
    std::vector<TestServer::Response> answers(3);
    answers[0].body = std::string("\x00\xff\xfe<Directory>\x01", 14);
    answers[1].status = 500;
    answers[1].body = "<html><body><h1>Internal Server Error</h1><p>x &nbsp; y</body>";
    answers[2].endless = true;
    for (const auto& answer : answers) {
        TempAppFolder folder;
        TestServer server;
        server.route("/scripts_desktop3.xml", scriptXml(server.base()));
        server.route("/channel.xml", answer);
        server.route("/prefecture.xml", answer);
        TestApp t(folder, server);
        EXPECT_TRUE(t.start());
        EXPECT_TRUE(t.messages.shown.empty());
        const auto asked = downloadTargets(server);
        EXPECT_EQ(asked,
                  (std::vector<std::string>{"/scripts_desktop3.xml", "/prefecture.xml", "/channel.xml"}));
        EXPECT_FALSE(folder.exists("/flash/xml/prefecture.xml"));
        EXPECT_FALSE(folder.exists("/flash/xml/channel.xml"));
        EXPECT_TRUE(t.errors->has("modChannel.SetChannelListFromXML >"));
    }
}

TEST(StartUp, MenuCaptionsComeFromTheStringTable) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    const frmMain& main = t.app().main();
    EXPECT_EQ(main.mnApp->text().toStdString(), "ﾍｯﾄﾞﾗｲﾝを表示");
    EXPECT_EQ(main.mnNewsList->text().toStdString(), "最新ﾆｭｰｽﾘｽﾄを表示");
    EXPECT_EQ(main.mnuChange->text().toStdString(), "ﾁｬﾝﾈﾙ設定(&C)");
    EXPECT_EQ(main.mnuAbout->text().toStdString(), "ユーザー設定(&O)");
    EXPECT_EQ(main.mnFin->text().toStdString(), "終了(&X)");
}

TEST(StartUp, ACommandArrivingDuringADownloadRunsAfterStartUp) {
    TempAppFolder folder;
    TestServer server;
    TestServer::Response slow;
    slow.delayMs = 500;
    slow.body = scriptXml(server.base());
    server.route("/scripts_desktop3.xml", slow);
    serveOneChannel(server);
    writeProfile(folder, "3.1.1");
    TestApp t(folder, server);
    bool ranDuringStartUp = false;
    bool ran = false;
    // The exit command, chosen while the script is still on its way.
    QTimer::singleShot(100, [&] {
        t.app().handle([&] {
            ranDuringStartUp = !t.app().main().TimerHTTP.isActive();
            ran = true;
            t.app().main().mnFin_Click();
        });
    });
    ASSERT_TRUE(t.start());
    EXPECT_FALSE(ran) << "no other handler may run inside start-up";
    for (int i = 0; i < 100 && !ran; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ranDuringStartUp);
    EXPECT_TRUE(t.ended());
}

TEST(Refresh, RunsOnThe301stTickAndWaitsWhileAMoviePlays) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    serveOneChannel(server);
    writeProfile(folder, "3.1.1");
    folder.write("/flash/xml/selected.xml", "<selected><item><number>5</number></item></selected>");
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    frmMain& main = t.app().main();
    const auto feedRequests = [&] {
        std::size_t n = 0;
        for (const auto& target : server.targets())
            n += target == "/feed5.xml";
        return n;
    };
    RecordingFlashPlayer& list = *t.players.player("list");
    const std::size_t before = feedRequests();

    while (main.intHTTPTimerCountByMinutes < 300)
        main.TimerHTTP_Timer(); // up to the 300th tick
    EXPECT_EQ(feedRequests(), before);
    EXPECT_EQ(main.intHTTPTimerCountByMinutes, 300);

    folder.write("/movie/70000001/70000001", "\xb9movie");
    t.app().movie().playMovie("70000001");
    for (int i = 0; i < 5; ++i)
        main.TimerHTTP_Timer();
    EXPECT_EQ(feedRequests(), before) << "no refresh while a movie plays";
    EXPECT_EQ(main.intHTTPTimerCountByMinutes, 305);

    t.app().movie().CloseMovie();
    list.clearCalls();
    main.TimerHTTP_Timer();
    EXPECT_EQ(feedRequests(), before + 1);
    EXPECT_EQ(main.intHTTPTimerCountByMinutes, 0);
    EXPECT_EQ(list.calls(), (std::vector<std::string>{"GotoFrame 1", "Playing=True"}));

    // Ticks that pile up behind a running procedure collapse into one.
    for (int i = 0; i < 10; ++i)
        main.TimerHTTP_Timer();
    t.app().handle([&] {
        for (int i = 0; i < 5; ++i)
            QMetaObject::invokeMethod(&main.TimerHTTP, "timeout", Qt::DirectConnection);
    });
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(main.intHTTPTimerCountByMinutes, 11);
}

TEST(Shutdown, TheExitCommandSavesTheUserFilesOtherClosesDoNot) {
    TempAppFolder folder;
    TestServer server;
    server.route("/scripts_desktop3.xml", scriptXml(server.base()));
    serveOneChannel(server);
    writeProfile(folder, "3.1.1");
    {
        TestApp t(folder, server);
        ASSERT_TRUE(t.start());
        std::filesystem::remove(folder.file("/flash/xml/selected.xml"));
        t.app().main().Unload();
        EXPECT_EQ(t.app().main().trayIcon(), nullptr);
        EXPECT_EQ(t.app().loadedTicker(), nullptr);
        EXPECT_FALSE(folder.exists("/flash/xml/selected.xml"));
    }
    {
        TestApp t(folder, server);
        ASSERT_TRUE(t.start());
        std::filesystem::remove(folder.file("/flash/xml/selected.xml"));
        std::filesystem::remove(folder.file("/flash/xml/user.xml"));
        t.app().handle([&] { t.app().main().mnFin_Click(); });
        EXPECT_TRUE(t.ended());
        EXPECT_TRUE(folder.exists("/flash/xml/selected.xml"));
        EXPECT_TRUE(folder.exists("/flash/xml/user.xml"));
    }
}

TEST(Folders, GetStringCutsAtTheFirstDelimiter) {
    EXPECT_EQ(frmMain::GetString("abc", "b"), "a");
    EXPECT_EQ(frmMain::GetString("abc", "x"), "abc");
    EXPECT_EQ(frmMain::GetString("abc", "a"), "");
    EXPECT_EQ(frmMain::GetString(std::string("C:\\WIN\0\0\0", 9), std::string(1, '\0')), "C:\\WIN");
}

} // namespace
} // namespace brisma::test
