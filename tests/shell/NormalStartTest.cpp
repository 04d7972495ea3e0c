#include "NormalStart.h"

#include "TestApp.h"
#include "news/modChannel.h"
#include "shell/frmMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace brisma::test {
namespace {

namespace fsys = std::filesystem;

TEST_F(NormalStart, WritesEveryFileAndSendsEveryRequestInOrder) {
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    t.app().services().http.flush(3000);
    for (const auto& r : t.errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;

    std::vector<std::string> downloads = {"/scripts_desktop3.xml", "/prefecture.xml", "/ticker_banner.bmp",
                                          "/channel.xml"};
    std::vector<std::string> reports;
    for (int ch : kChannels) {
        downloads.push_back("/feeds/" + std::to_string(ch) + ".xml");
        downloads.push_back("/adtext/" + pad3(ch) + ".xml");
        downloads.push_back("/banner/" + pad3(ch) + ".swf");
        reports.push_back("/logupdate?version=3.1.1&userid=U001&channel=" + pad3(ch) +
                          "&type=desktop3&com=open&date=20261208&time=102030");
    }
    downloads.push_back("/banner/001.swf");
    downloads.push_back("/movie//movie.xml");
    downloads.push_back("/movie/70000003/70000003.xml");
    EXPECT_EQ(downloadTargets(server), downloads);
    EXPECT_EQ(reportTargets(server), reports);

    EXPECT_EQ(folder.read("/flash/xml/selected.xml"), expected("selected.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news901.xml"), expected("news901.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news902.xml"), expected("news902.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998.xml"));
    EXPECT_TRUE(folder.exists("/flash/xml/prefecture.xml"));
    EXPECT_EQ(folder.read("/flash/ticker_banner.bmp"), kBannerBytes);
    EXPECT_TRUE(folder.exists("/flash/xml/channel.xml"));
    for (int ch : kChannels) {
        EXPECT_TRUE(folder.exists("/flash/xml/news" + std::to_string(ch) + ".xml")) << ch;
        EXPECT_EQ(folder.read("/flash/banner/" + pad3(ch) + ".swf"),
                  readTestData(kData + "/serve/banner", pad3(ch) + ".swf"));
    }
    EXPECT_EQ(folder.read("/movie/movie.xml"), readTestData(kData + "/serve/movie", "movie.xml"));
    EXPECT_TRUE(folder.exists("/movie/70000003/70000003.xml"));
    EXPECT_NE(t.app().main().trayIcon(), nullptr);
    EXPECT_TRUE(t.app().main().TimerHTTP.isActive());
}

// A start that waited for the server goes on exactly as one that found it at once.
TEST_F(NormalStart, AfterWaitingForTheScriptTheStartAsksAndWritesTheSame) {
    TempAppFolder direct;
    prepare(direct);
    {
        TestApp t(direct, server);
        ASSERT_TRUE(t.start());
    }
    const auto downloads = downloadTargets(server);
    const auto reports = reportTargets(server);
    server.clearRequests();
    TestServer::Response busy;
    busy.status = 503;
    server.route("/scripts_desktop3.xml", busy);
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    EXPECT_NE(t.app().main().trayIcon(), nullptr);
    EXPECT_FALSE(t.app().main().TimerHTTP.isActive());
    serveScript("");
    QElapsedTimer timer;
    timer.start();
    while (!t.app().main().TimerHTTP.isActive() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    t.app().services().http.flush(3000);

    auto waited = downloadTargets(server);
    ASSERT_GE(waited.size(), 2u);
    EXPECT_EQ(waited.front(), "/scripts_desktop3.xml");
    waited.erase(waited.begin());
    EXPECT_EQ(waited, downloads);
    EXPECT_EQ(reportTargets(server), reports);
    for (const char* file : {"/flash/xml/selected.xml", "/flash/xml/news998.xml", "/flash/xml/news901.xml"})
        EXPECT_EQ(folder.read(file), direct.read(file)) << file;
    EXPECT_NE(t.app().main().trayIcon(), nullptr);
    EXPECT_NE(t.trays.last->toolTip.toStdString().find("左ｸﾘｯｸ"), std::string::npos);
}

TEST_F(NormalStart, RefreshCyclesFetchOnePiecePerCycleAndKeepTheReadMarks) {
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    frmMain& main = t.app().main();
    const auto refresh = [&] {
        for (int tick = main.intHTTPTimerCountByMinutes; tick <= 300; ++tick)
            t.app().handle([&] { main.TimerHTTP_Timer(); });
        EXPECT_EQ(main.intHTTPTimerCountByMinutes, 0);
    };
    const auto pieceRequests = [&] {
        std::vector<std::string> pieces;
        for (const auto& target : server.targets())
            if (target.rfind("/movie/70000003/70000003.0", 0) == 0)
                pieces.push_back(target);
        return pieces;
    };

    refresh();
    EXPECT_EQ(pieceRequests(), std::vector<std::string>{"/movie/70000003/70000003.001"});
    EXPECT_FALSE(folder.exists("/movie/70000003/70000003"));
    // The click survives the refresh: same merged list, same log.
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news901.xml"), expected("news901.xml"));

    refresh();
    EXPECT_EQ(pieceRequests(),
              (std::vector<std::string>{"/movie/70000003/70000003.001", "/movie/70000003/70000003.002"}));
    EXPECT_EQ(folder.read("/movie/70000003/70000003"),
              readTestData(kData + "/expected", "70000003.assembled"));
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998-three-movies.xml"));

    refresh();
    EXPECT_EQ(pieceRequests().size(), 2u) << "a complete movie is not fetched again";
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998-three-movies.xml"));
    EXPECT_EQ(folder.read("/flash/xml/news901.xml"), expected("news901.xml"));
    t.app().services().http.flush(3000);
    for (const auto& r : t.errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;
}

// What a normal start on a fresh folder leaves behind: every file (by its hash), the reports,
// the messages, the channels' advertisement texts and whether the application ended.
std::vector<std::string> startFootprint(TestServer& server) {
    TempAppFolder home;
    prepare(home);
    TestApp t(home, server);
    const bool started = t.start();
    t.app().services().http.flush(3000);
    const auto local = [&](std::string text) {
        for (auto at = text.find(home.path()); at != std::string::npos; at = text.find(home.path()))
            text.replace(at, home.path().size(), "{HOME}");
        return text;
    };
    std::vector<std::string> out{"started " + std::to_string(started) + " ended " +
                                 std::to_string(t.ended())};
    for (const auto& e : fsys::recursive_directory_iterator(home.path()))
        if (e.is_regular_file()) {
            const std::string rel = fsys::relative(e.path(), home.path()).string();
            out.push_back("file " + rel + " " +
                          std::to_string(std::hash<std::string>{}(home.read("/" + rel))));
        }
    std::sort(out.begin() + 1, out.end());
    for (const auto& r : t.errors->reports)
        out.push_back("report " + std::to_string(r.number) + " " + local(r.text));
    for (const auto& m : t.messages.shown)
        out.push_back("message " + m);
    for (const auto& channel : t.app().channels().objChannel)
        if (channel.udtAdText)
            out.push_back("ad " + channel.udtAdText->strID + " " + channel.udtAdText->strNewsText);
    return out;
}

// A document answered with an error status is a failed load, however well-formed the answer:
// the start goes on as if the server could not be reached. The same answer with 200 is read.
TEST_F(NormalStart, ADocumentAnsweredWithAnErrorStatusIsNoDocument) {
    for (const char* path :
         {"/scripts_desktop3.xml", "/channel.xml", "/feeds/5.xml", "/adtext/005.xml", "/prefecture.xml"}) {
        const std::string body = path == std::string("/scripts_desktop3.xml")
                                     ? scriptXml(server.base())
                                     : withBase(readTestData(kData + "/serve", path + 1), server.base());
        const auto answer = [&](int status, bool truncate) {
            TestServer::Response r;
            r.status = status;
            r.body = body;
            r.truncate = truncate;
            server.route(path, r);
            return startFootprint(server);
        };
        const auto unreachable = answer(200, true);
        EXPECT_EQ(answer(404, false), unreachable) << path;
        EXPECT_EQ(answer(500, false), unreachable) << path;
        EXPECT_NE(answer(200, false), unreachable) << path;
        server.route(path, body);
    }
}

} // namespace
} // namespace brisma::test
