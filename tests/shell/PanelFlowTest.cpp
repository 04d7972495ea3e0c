// The first start from the registration panel to the normal run, a channel selection applied
// while running, and clicks in the list panel's movie.
#include "TestApp.h"
#include "bar/frmTicker.h"
#include "movie/frmMovie.h"
#include "news/modChannel.h"
#include "panels/frmChannel.h"
#include "panels/frmList.h"
#include "panels/frmStart.h"
#include "shell/frmMain.h"
#include "shell/modApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace brisma::test {
namespace {

const std::string kData = std::string(BRISMA_TEST_DATA) + "/panels";

void runEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class PanelFlow : public ::testing::Test {
protected:
    void SetUp() override {
        serveNormal(server);
        server.route("/ticker_banner.bmp", "BM");
        server.route("/user", "U777");
    }
    RecordingFlashPlayer& player(TestApp& t, const char* name) {
        RecordingFlashPlayer* p = t.players.player(name);
        EXPECT_NE(p, nullptr) << name;
        return *p;
    }
    std::string expected(const std::string& name) {
        return withBase(readTestData(kData, name), server.base());
    }
    // The end of a first start that chose channels 2 and 5: the files, then the normal start's
    // downloads and reports.
    void registerAs(RecordingFlashPlayer& start) {
        start.command("start:email", "new@example.com");
        start.command("start:sex", "2");
        start.command("start:prid", "13");
        start.command("start:done", "");
    }
    void expectTheRunOfChannels2And5(TestApp& t) {
        EXPECT_FALSE(t.app().app().blnFirstStart);
        EXPECT_FALSE(t.app().loadedChannel() && t.app().loadedChannel()->isVisible());
        EXPECT_EQ(folder.read("/flash/xml/selected.xml"), expected("first-selected.xml"));
        EXPECT_EQ(folder.read("/flash/xml/user.xml"), expected("first-user-registered.xml"));
        t.app().services().http.flush(3000);
        const std::string opened = "&type=desktop3&com=open&date=20261208&time=102030";
        // Reports go out on their own; each kind keeps its order.
        EXPECT_EQ(
            downloadTargets(server),
            (std::vector<std::string>{"/ticker_banner.bmp", "/channel.xml", "/feeds/2.xml", "/adtext/002.xml",
                                      "/banner/002.swf", "/feeds/5.xml", "/adtext/005.xml", "/banner/005.swf",
                                      "/banner/001.swf", "/movie//movie.xml", "/movie/70000001/70000001.xml",
                                      "/movie/70000002/70000002.xml", "/movie/70000003/70000003.xml"}));
        EXPECT_EQ(reportTargets(server),
                  (std::vector<std::string>{"/logupdate?version=3.1.1&userid=U777&channel=002" + opened,
                                            "/logupdate?version=3.1.1&userid=U777&channel=005" + opened}));
        EXPECT_NE(t.app().main().trayIcon(), nullptr);
        EXPECT_TRUE(t.app().main().TimerHTTP.isActive());
        EXPECT_FALSE(t.errors->has("modFlashlistener.throwValue >"));
    }

    TempAppFolder folder;
    TestServer server;
};

TEST_F(PanelFlow, FirstStartRegistersRefusesToLeaveWithoutChannelsAndStartsTheRun) {
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    EXPECT_TRUE(t.app().app().blnFirstStart);
    EXPECT_EQ(t.app().loadedTicker(), nullptr);
    ASSERT_NE(t.app().loadedStart(), nullptr);
    EXPECT_TRUE(t.app().loadedStart()->isVisible());

    server.clearRequests();
    RecordingFlashPlayer& start = player(t, "start");
    start.command("start:email", "new@example.com");
    start.command("start:sex", "2");
    start.command("start:prid", "13");
    start.command("start:done", "");
    EXPECT_EQ(server.targets(), std::vector<std::string>{expected("regist.target")});
    EXPECT_EQ(folder.read("/flash/xml/user.xml"), expected("first-user.xml"));
    EXPECT_EQ(t.app().loadedUser(), nullptr) << "registration fields load no profile panel";

    start.command("start:close", "");
    EXPECT_FALSE(t.app().loadedStart()->isVisible());
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    RecordingFlashPlayer& channel = player(t, "channel");
    const std::vector<std::string> reload = {"Movie=" + server.base(),
                                             "Movie=" + folder.file("/flash/channelset2.swf")};
    EXPECT_EQ(std::vector<std::string>(channel.calls().end() - 2, channel.calls().end()), reload);

    // The panel cannot be left without a choice: neither by its movie nor by the close control.
    channel.clearCalls();
    channel.command("channel:close", "");
    t.app().loadedChannel()->close();
    QCoreApplication::processEvents();
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    EXPECT_EQ(t.messages.shown, std::vector<std::string>(2, "変更ボタンを押してください。"));
    EXPECT_EQ(t.messages.titles, std::vector<std::string>(2, "Brisma3"));
    EXPECT_EQ(channel.calls(), (std::vector<std::string>{reload[0], reload[1], reload[0], reload[1]}));
    EXPECT_EQ(t.app().loadedTicker(), nullptr);

    // A text that does not parse leaves the first start on the panel.
    channel.command("channel:chset", "2-x-");
    EXPECT_TRUE(t.app().app().blnFirstStart);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    t.errors->reports.clear();

    server.clearRequests();
    channel.command("channel:chset", "2-5-");
    expectTheRunOfChannels2And5(t);
}

// A selection sent with the registration ends the first start in the run; one that does not
// parse leaves the registration panel shown and writes nothing.
TEST_F(PanelFlow, ASelectionSentWithTheRegistrationStartsTheRun) {
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    RecordingFlashPlayer& start = player(t, "start");
    registerAs(start);
    const std::string user = folder.read("/flash/xml/user.xml");
    start.command("start:chset", "2-x-");
    EXPECT_TRUE(t.app().app().blnFirstStart);
    EXPECT_TRUE(t.app().loadedStart()->isVisible());
    EXPECT_EQ(folder.read("/flash/xml/user.xml"), user);
    t.errors->reports.clear();

    server.clearRequests();
    start.command("start:chset", "2-5-");
    EXPECT_FALSE(t.app().loadedStart()->isVisible());
    expectTheRunOfChannels2And5(t);
}

// A profile stored without the server's id (a registration that failed) registers again through
// the panel, which stays until the server gives an id; no report goes out without one.
TEST_F(PanelFlow, AProfileWithoutIdRegistersFirstAndAFailedRegistrationStaysOnThePanel) {
    writeProfile(folder, "3.1.1", "");
    TestServer::Response busy;
    busy.status = 503;
    server.route("/user", busy);
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    EXPECT_TRUE(t.app().app().blnFirstStart);
    EXPECT_EQ(t.app().main().trayIcon(), nullptr);
    RecordingFlashPlayer& start = player(t, "start");
    registerAs(start);
    start.command("start:close", "");
    EXPECT_EQ(t.messages.shown,
              std::vector<std::string>{"ユーザー登録ができませんでした。インターネットへの接続を確かめて、"
                                       "もう一度登録してください。"});
    EXPECT_TRUE(t.app().loadedStart()->isVisible());
    EXPECT_EQ(t.app().loadedChannel(), nullptr);
    EXPECT_EQ(start.calls().back(), "Movie=" + folder.file("/flash/start2.swf"));

    server.route("/user", "U777");
    registerAs(start);
    start.command("start:close", "");
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    server.clearRequests();
    player(t, "channel").command("channel:chset", "2-5-");
    expectTheRunOfChannels2And5(t);
}

// The same first start with nothing but the modules the server sends: they register at once,
// and the channel module waits for its cue while the close control is tried.
TEST_F(PanelFlow, TheFirstStartRunsOnTheModulesTheServerSends) {
    std::string entries;
    for (const auto& [name, file] :
         {std::pair{"startflash2", "start-at-once.qml"}, {"channelflash2", "channel-on-cue.qml"}}) {
        entries += std::string("<Directory><Name>") + name + "</Name><Argument>True</Argument><Url>" +
                   server.base() + "modules/" + file + "</Url><Version>1</Version></Directory>";
        server.route(std::string("/modules/") + file, readTestData(kData, file));
    }
    serveNormal(server, entries);
    TestApp t(folder, server, true);
    ASSERT_TRUE(t.start());
    EXPECT_EQ(folder.read("/flash/start2.swf"), readTestData(kData, "start-at-once.qml"));
    runEventsUntil([&] { return t.app().loadedChannel() && t.app().loadedChannel()->isVisible(); });
    EXPECT_EQ(reportTargets(server), std::vector<std::string>{expected("regist.target")});
    EXPECT_EQ(folder.read("/flash/xml/user.xml"), expected("first-user.xml"));
    EXPECT_FALSE(t.app().loadedStart()->isVisible());
    ASSERT_NE(t.app().loadedChannel(), nullptr);

    t.app().loadedChannel()->close();
    QCoreApplication::processEvents();
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    EXPECT_EQ(t.messages.shown, std::vector<std::string>{"変更ボタンを押してください。"});
    EXPECT_EQ(t.app().loadedTicker(), nullptr);

    server.clearRequests();
    folder.write("/flash/cue.xml", "<cue>2-5-</cue>");
    runEventsUntil([&] { return !t.app().app().blnFirstStart; });
    expectTheRunOfChannels2And5(t);
}

TEST_F(PanelFlow, ChannelSelectionRebuildsTheBarAndAMalformedOneWritesNothing) {
    writeProfile(folder, "3.1.1");
    folder.write("/flash/xml/selected.xml",
                 readTestData(std::string(BRISMA_TEST_DATA) + "/normal/cache/flash/xml", "selected.xml"));
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    t.app().main().mnuChange_Click();
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    RecordingFlashPlayer& channel = player(t, "channel");

    const std::vector<std::string> files = {"/flash/xml/selected.xml", "/flash/xml/user.xml",
                                            "/flash/xml/news998.xml", "/flash/xml/channel.xml"};
    const auto snapshot = [&] {
        std::vector<std::string> out;
        for (const auto& f : files)
            out.push_back(folder.read(f));
        return out;
    };
    const auto before = snapshot();
    t.app().ticker().OpenTicker();
    channel.command("channel:chset", "3-x-");
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(t.app().ticker().blnOpen) << "the bar stays closed after a malformed text";
    EXPECT_FALSE(t.app().loadedChannel()->isVisible());
    EXPECT_TRUE(t.errors->has("modFlashlistener.throwValue >"));

    t.errors->reports.clear();
    t.app().main().mnuChange_Click();
    channel.command("channel:chset", "3-12-");
    t.app().services().http.flush(3000);
    EXPECT_TRUE(t.app().ticker().blnOpen);
    EXPECT_TRUE(t.app().ticker().TimerScroll.isActive());
    EXPECT_EQ(folder.read("/flash/xml/selected.xml"), expected("chset-selected.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("chset-news998.xml"));
    EXPECT_EQ(t.app().channels().intSelectedChannel, (std::array<int16_t, 8>{3, 12}));

    // The close control unloads the panel; the next opening loads it afresh.
    t.app().main().mnuChange_Click();
    t.app().loadedChannel()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.app().loadedChannel(), nullptr);
    t.app().main().mnuChange_Click();
    ASSERT_NE(t.app().loadedChannel(), nullptr);
    EXPECT_TRUE(t.app().loadedChannel()->isVisible());
    for (const auto& r : t.errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;
}

// A list module that sends one headline's click, as the list panel's movie does.
std::string clickModule(const std::string& id, const std::string& type, const std::string& text,
                        const std::string& url) {
    return "import QtQuick\nItem {\n    Component.onCompleted: {\n"
           "        flash.fscommand(\"list:click:new\", \"\")\n"
           "        flash.fscommand(\"list:click:id\", \"" +
           id +
           "\")\n"
           "        flash.fscommand(\"list:click:text\", \"" +
           text +
           "\")\n"
           "        flash.fscommand(\"list:click:url\", \"" +
           url +
           "\")\n"
           "        flash.fscommand(\"list:click:credit\", \"通信\")\n"
           "        flash.fscommand(\"list:click:type\", \"" +
           type +
           "\")\n"
           "        flash.fscommand(\"list:click:done\", \"\")\n    }\n}\n";
}

TEST_F(PanelFlow, AClickInTheListModuleIsReportedMarkedReadAndPlaysAMovieHeadline) {
    namespace fsys = std::filesystem;
    fsys::copy(std::string(BRISMA_TEST_DATA) + "/normal/cache", folder.path(), fsys::copy_options::recursive);
    writeProfile(folder, "3.1.1");
    // The cached description names its view address below the server.
    const std::string description = "/movie/70000001/70000001.xml";
    folder.write(description, withBase(folder.read(description), server.base()));
    TestApp t(folder, server, true);
    ASSERT_TRUE(t.start());
    t.app().services().http.flush(3000);
    const auto clicked = [&](const std::string& id) {
        clsBrismaNews entry(t.app().errors());
        return t.app().channels().objNewsList->GetNewsById(entry, id) > 0 && entry.blnClicked;
    };

    const std::string news = "0122026127801200002";
    ASSERT_FALSE(clicked(news));
    server.clearRequests();
    folder.write("/flash/list.swf",
                 clickModule(news, "ent", "経済の見出し3：①～ｶﾀｶﾅ", "https://example.com/12/2?a=1&b=2"));
    t.app().list().ReloadSWF();
    runEventsUntil([&] { return clicked(news); });
    t.app().services().http.flush(3000);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/logclick?version=3.1.1&userid=U001&channel=012"
                                                         "&type=desktop3&id=" +
                                                         news + "&date=20261208&time=102030"});
    EXPECT_TRUE(clicked(news));
    EXPECT_NE(folder.read("/flash/xml/news901.xml").find("<brs:hlid>" + news + "</brs:hlid>"),
              std::string::npos);
    EXPECT_EQ(t.app().loadedMovie() && t.app().loadedMovie()->isVisible(), false);

    const std::string movie = "9032099123170000001";
    server.clearRequests();
    folder.write("/flash/list.swf", clickModule(movie, "mov", "動画一", "https://example.com/mv/70000001"));
    t.app().list().ReloadSWF();
    runEventsUntil([&] { return t.app().loadedMovie() && t.app().loadedMovie()->blnPlay; });
    t.app().services().http.flush(3000);
    ASSERT_NE(t.app().loadedMovie(), nullptr);
    EXPECT_TRUE(t.app().loadedMovie()->isVisible());
    EXPECT_EQ(t.app().loadedMovie()->strCurID, "70000001");
    const auto targets = server.targets();
    EXPECT_EQ(std::count_if(targets.begin(), targets.end(),
                            [](const std::string& s) { return s.rfind("/logview?m=70000001", 0) == 0; }),
              1)
        << ::testing::PrintToString(targets);
    EXPECT_FALSE(t.errors->has("modFlashlistener.throwValue >"));
}

} // namespace
} // namespace brisma::test
