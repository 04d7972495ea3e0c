// What the error log says at its default level through a first start, a normal start and a
// refresh: nothing when the server serves what is expected, one line for a feed that cannot be
// read.
#include "NormalStart.h"
#include "platform/log/ErrorLog.h"
#include "shell/frmMain.h"
#include "shell/modApp.h"

#include <QLoggingCategory>

namespace brisma::test {
namespace {

std::vector<std::string>* said = nullptr;

void keep(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category && std::string(context.category) == "brisma.errors")
        said->push_back(message.toStdString());
}

// The error log at its default level (BRISMA_DEBUG unset) as the application's observer, on a
// clock the test moves, and every line it lets through.
class ErrorLines {
public:
    explicit ErrorLines(TestApp& t) : log_(configureErrorLog(nullptr), [this] { return now; }) {
        QLoggingCategory::setFilterRules({});
        said = &lines;
        previous_ = qInstallMessageHandler(keep);
        t.app().errors().setObserver([this](long number, const std::string& text, ErrorReporter::Kind kind) {
            reports.push_back({number, text, kind});
            log_(number, text, kind);
        });
    }
    ~ErrorLines() {
        qInstallMessageHandler(previous_);
        said = nullptr;
    }

    std::chrono::steady_clock::time_point now;
    std::vector<std::string> lines;
    std::vector<RecordingErrors::Report> reports;

private:
    ErrorLog log_;
    QtMessageHandler previous_ = nullptr;
};

void refresh(TestApp& t) {
    frmMain& main = t.app().main();
    main.intHTTPTimerCountByMinutes = 300;
    main.TimerHTTP_Timer();
    ASSERT_EQ(main.intHTTPTimerCountByMinutes, 0) << "the refresh ran";
}

// A new user on an empty folder against a server without movies: registration, the channel
// choice, the normal start it leads to and a refresh. The missing profile and the empty
// catalogue are still reported, as normal paths, and the log says nothing of them.
TEST(ErrorLog, AFirstStartAndARefreshWithoutMoviesSayNothing) {
    TempAppFolder folder;
    TestServer server;
    serveNormal(server);
    server.route("/movie//movie.xml",
                 std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movies>\r\n"
                             "</movies>\r\n"));
    server.route("/ticker_banner.bmp", "BM");
    server.route("/user", "U777");
    TestApp t(folder, server);
    ErrorLines log(t);
    ASSERT_TRUE(t.start());
    RecordingFlashPlayer& start = *t.players.player("start");
    start.command("start:email", "new@example.com");
    start.command("start:done", "");
    start.command("start:close", "");
    t.players.player("channel")->command("channel:chset", "2-5-");
    ASSERT_FALSE(t.app().app().blnFirstStart);
    ASSERT_TRUE(t.app().main().TimerHTTP.isActive());
    log.now += std::chrono::minutes(5);
    refresh(t);

    EXPECT_EQ(log.lines, std::vector<std::string>{});
    std::vector<std::string> normalPaths;
    for (const auto& report : log.reports) {
        EXPECT_EQ(report.kind, ErrorReporter::Kind::normalPath) << report.text;
        normalPaths.push_back(std::to_string(report.number) + " " + report.text);
    }
    const std::string emptyCatalogue = "9 modMovieLoader.getMovietxtfromFile >Subscript out of range";
    EXPECT_EQ(normalPaths,
              (std::vector<std::string>{
                  "91 modUserData.loadUserDataXML >Object variable or With block variable not set",
                  emptyCatalogue, emptyCatalogue}));
}

// A normal start and a refresh against the populated server, one channel's feed an error page:
// one line each time, naming the channel and the feed's address without its query. The request
// keeps its query.
TEST_F(NormalStart, AFeedThatCannotBeReadIsSaidOncePerRefreshWithoutItsQuery) {
    std::string channels = withBase(readTestData(kData + "/serve", "channel.xml"), server.base());
    const std::string feed = server.base() + "feeds/5.xml";
    channels.replace(channels.find(feed), feed.size(), feed + "?user=U001&amp;key=k#top");
    server.route("/channel.xml", channels);
    TestServer::Response errorPage;
    errorPage.status = 503;
    errorPage.contentType = "text/html";
    errorPage.body = "<!DOCTYPE html><html><body><p>Service Unavailable<br></body></html>";
    server.route("/feeds/5.xml", errorPage);
    TestApp t(folder, server);
    ErrorLines log(t);
    ASSERT_TRUE(t.start());
    const std::string line = "channel 5 (スポーツチャンネル): its feed cannot be read: " + feed;
    EXPECT_EQ(log.lines, std::vector<std::string>{line});

    log.now += std::chrono::minutes(5);
    server.clearRequests();
    refresh(t);
    EXPECT_EQ(log.lines, (std::vector<std::string>{line, line}));
    const auto targets = server.targets();
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/feeds/5.xml?user=U001&key=k"), 1);
    for (const auto& report : log.reports)
        EXPECT_NE(report.kind, ErrorReporter::Kind::fault) << report.text;
}

} // namespace
} // namespace brisma::test
