#include "userdata/modUserData.h"

#include "TestContext.h"
#include "news/MovieHeadlines.h"
#include "news/NewsHost.h"
#include "news/modChannel.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace brisma {
namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

struct QuietHost : NewsHost {
    bool tickerOpen() const override { return true; }
    void saveSelectedChannels() override {}
    void restartListMovie() override {}
};

struct NoMovies : MovieHeadlines {
    explicit NoMovies(const ErrorReporter& errors) : list(errors, nullptr) {}
    clsBrismaNewsList& movieList() override { return list; }
    bool existMovieID(const std::string&) override { return false; }
    clsBrismaNewsList list;
};

std::vector<std::string> fields(const UserRecord& u) {
    return {u.strEmail, u.strSex,     u.strBday,   u.strYy,         u.strMm,  u.strDd,
            u.strPrID,  u.strArID,    u.strPr,     u.strClass,      u.strJob, u.strNetEnv,
            u.strPcEnv, u.strCarrier, u.strUserID, u.strUserVersion};
}

struct UserDataTest : ::testing::Test {
    std::string expected(const std::string& name) const { return test::readTestData(BRISMA_TEST_DATA, name); }
    std::string written(const std::string& name) const { return t.folder.read("/flash/xml/" + name); }
    void write(const std::string& name, const std::string& text) const {
        t.folder.write("/flash/xml/" + name, text);
    }

    clsBrismaNews headline(const std::string& id, const std::string& type, const std::string& text = "",
                           const std::string& url = "", const std::string& credit = "") const {
        clsBrismaNews news(t.errors);
        news.SetData(id, "", "", credit, "", "", "", type, text, url, false, "", "");
        return news;
    }
    // Log lists sized as a start sizes them, and a merged list that shows `shown` alone: the one
    // headline of channel 5 of the served channel list, or none for a record without id. What
    // the set-up itself wrote and fetched is cleared.
    void startLogs(int16_t clicks, int16_t movies, const clsBrismaNews& shown) {
        data.sizeLogLists(clicks, movies);
        t.script.channel = t.server.base() + "channel.xml";
        t.server.route("/channel.xml", "<list><channel kind=\"news\"><number>5</number><name-JP>N</name-JP>"
                                       "<type-JP>T</type-JP><owner>O</owner><count>2</count><hlid>" +
                                           t.server.base() +
                                           "feed5.xml</hlid><password>p</password></channel></list>");
        const auto esc = modUserData::escapeXML;
        t.server.route("/feed5.xml", "<rdf:RDF xmlns:brs=\"http://brs/\"><item><brs:hlid>" +
                                         esc(shown.strID) + "</brs:hlid><credit>" + esc(shown.strContName) +
                                         "</credit><brs:type>" + esc(shown.strNewsType) +
                                         "</brs:type><title>" + esc(shown.strNewsText) + "</title><link>" +
                                         esc(shown.strNewsUrl) + "</link></item></rdf:RDF>");
        ASSERT_EQ(channels.SetChannelListFromXML(), 0);
        channels.SetFav(5);
        if (!shown.strID.empty())
            channels.ReadNewsXML(5);
        channels.SortIdWithMovie();
        ASSERT_TRUE(channels.objNewsList);
        std::filesystem::remove(t.paths.xmlFolder() + "/news998.xml");
        t.http.flush(2000);
        t.server.clearRequests();
    }
    bool shownAsRead(const std::string& id) {
        clsBrismaNews news(t.errors);
        return channels.objNewsList->GetNewsById(news, id) == 1 && news.blnClicked;
    }
    // Clicks `news`, then refreshes three times; the click log it wrote first.
    std::string clickedThroughRefreshes(const clsBrismaNews& news) {
        startLogs(100, 20, news);
        data.setClickLog(news);
        const std::string first = written("news901.xml");
        for (int cycle = 0; cycle < 3; ++cycle) {
            // A refresh: the feed fills the merged list afresh (unread), the log puts the mark back.
            channels.ReadNewsXML(5);
            channels.SortIdWithMovie();
            EXPECT_FALSE(shownAsRead(news.strID)) << cycle;
            data.loadClickLog();
            EXPECT_EQ(written("news901.xml"), first) << cycle;
            EXPECT_TRUE(shownAsRead(news.strID)) << cycle;
        }
        const XmlDocument doc = XmlDocument::loadFile(t.paths.clickLogXml());
        EXPECT_EQ(doc.getElementsByTagName("title").at(0).text(), news.strNewsText);
        EXPECT_TRUE(t.recorded.reports.empty());
        return first;
    }

    test::TestContext t;
    std::string base = "http://brisma.test/"; // the "brs" namespace of the log files
    UserRecord user;
    QuietHost host;
    NoMovies movies{t.errors};
    modInet inet{t.errors, t.clock, t.http, t.script, user};
    modChannel channels{t.paths, t.errors, t.gate, t.http, t.script, base, t.messages, inet, host, movies};
    modUserData data{t.paths, t.errors, t.gate, t.http, t.script, base, user, channels, inet};
};

TEST_F(UserDataTest, ProfileIsWrittenExactlyWithTheRunningVersionAndReadsBackAsHeld) {
    user = {"山田&<taro>\"@例.jp",
            "1",
            "19800102",
            "1980",
            "01",
            "02",
            "13",
            "131",
            "東京都",
            "2",
            "3",
            "4",
            "5",
            "6",
            "A<7&8",
            "2.0.0"};
    UserRecord held = user;
    held.strUserVersion = "3.1.1";

    ASSERT_FALSE(data.existUserXML());
    data.saveUserDataXML();
    EXPECT_TRUE(data.existUserXML());
    EXPECT_EQ(written("user.xml"), expected("user.xml"));

    user = UserRecord{};
    data.loadUserDataXML();
    EXPECT_EQ(fields(user), fields(held));
    EXPECT_TRUE(data.checkVersion("3.1.1"));
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(UserDataTest, ProfileReaderTakesListedElementsUntilTheFirstChildThatIsNoElement) {
    write("user.xml", kDecl + "<userdata><id>U1</id><name>x</name><email>a@b.jp</email></userdata>");
    data.loadUserDataXML();
    EXPECT_EQ(user.strUserID, "U1");
    EXPECT_EQ(user.strEmail, "a@b.jp");
    EXPECT_FALSE(data.checkVersion("3.1.1"));
    EXPECT_TRUE(t.recorded.reports.empty());

    write("user.xml", kDecl + "<userdata><sex>2</sex><!-- note --><job>9</job></userdata>");
    data.loadUserDataXML();
    EXPECT_EQ(user.strSex, "2");
    EXPECT_EQ(user.strJob, "");
    ASSERT_EQ(t.recorded.reports.size(), 1u);
    EXPECT_TRUE(t.recorded.has("modUserData.loadUserDataXML >"));
    EXPECT_EQ(t.recorded.reports[0].kind, ErrorReporter::Kind::fault)
        << "a profile that exists is no first start";
}

TEST_F(UserDataTest, SelectedChannelsAreWrittenExactlyAndReadBack) {
    const auto entry = [](const char* kind, const char* number, const char* name) {
        return std::string("<channel kind=\"") + kind + "\"><number>" + number + "</number><name-JP>" + name +
               "</name-JP><type-JP>T</type-JP><owner>O</owner><count>1</count><hlid>h</hlid>"
               "<password>p</password></channel>";
    };
    t.script.channel = t.server.base() + "channel.xml";
    t.server.route("/channel.xml", "<list>" + entry("news", "5", "経済&amp;市場") +
                                       entry("info", "123", "お天気") + "</list>");
    ASSERT_EQ(channels.SetChannelListFromXML(), 0);
    const std::array<int16_t, 8> table{5, 0, 12, 123, 0, 0, 0, 0};
    write("selected.xml", expected("selected.xml"));
    data.loadSelectedChannelXML();
    EXPECT_EQ(channels.intSelectedChannel, table);

    std::filesystem::remove(t.paths.selectedXml());
    data.saveSelectedChannelXML();
    EXPECT_EQ(written("selected.xml"), expected("selected.xml"));

    const auto item = [](const std::string& number) {
        return "<item><number>" + number + "</number></item>";
    };
    write("selected.xml", kDecl + "<selected>" + item("70") + item("") + item("90") + "</selected>");
    data.loadSelectedChannelXML();
    EXPECT_EQ(channels.intSelectedChannel, (std::array<int16_t, 8>{70, 0, 12, 123, 0, 0, 0, 0}));
    ASSERT_EQ(t.recorded.reports.size(), 1u);
    EXPECT_TRUE(t.recorded.has("modUserData.loadSelectedChannelXML >"));
}

TEST_F(UserDataTest, PrefectureListIsFetchedOnceAndNotSavedWhenItDidNotLoad) {
    t.script.prefecture = t.server.base() + "prefecture.xml";
    t.server.route("/prefecture.xml", "<prefecture><p>broken</prefecture>");
    data.loadPrefectureXML();
    EXPECT_FALSE(t.folder.exists("/flash/xml/prefecture.xml"));

    t.server.route("/prefecture.xml",
                   text::toCp932(kDecl + "<prefecture><p id=\"13\">東京都</p></prefecture>"));
    data.loadPrefectureXML();
    data.loadPrefectureXML();
    EXPECT_EQ(t.server.targets().size(), 2u);
    const XmlDocument saved = XmlDocument::loadFile(t.paths.prefectureXml());
    ASSERT_EQ(saved.getElementsByTagName("p").size(), 1u);
    EXPECT_EQ(saved.getElementsByTagName("p")[0].text(), "東京都");
}

TEST_F(UserDataTest, ClicksGoToTheirLogFilesExactlyAndReadingThemBackChangesNoByte) {
    t.script.logclick = t.server.base() + "logclick";
    t.script.logadclick = t.server.base() + "logadclick";
    const auto news =
        headline("0050000000000000001", "eco", "株価 \"上昇\"", "http://news.test/5/1", "経済新聞");
    const auto ad =
        headline("0120000000000000002", "pr", "秋の<特売>", "http://ad.test/c?a=1&b=2", "広告&社");
    const auto movie =
        headline("9032026120812345678", "mov", "新作<予告>", "http://movie.test/m?id=12345678", "映画社");
    startLogs(3, 2, news);

    for (const auto* clicked : {&news, &ad, &movie})
        data.setClickLog(*clicked);

    EXPECT_EQ(written("news901.xml"), expected("news901.xml"));
    EXPECT_EQ(written("news902.xml"), expected("news902.xml"));
    EXPECT_TRUE(shownAsRead(news.strID));
    EXPECT_TRUE(t.folder.exists("/flash/xml/news998.xml"));
    t.http.flush(2000);
    const auto targets = t.server.targets();
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_NE(targets[0].find("/logclick?version=3.1.1&userid=&channel=005&type=desktop3&id=005"),
              std::string::npos);
    EXPECT_NE(targets[1].find("/logadclick?version=3.1.1&userid=&channel=012&type=desktop3&adtype=pr&"),
              std::string::npos);
    EXPECT_NE(targets[2].find("&adtype=mov&id=903"), std::string::npos);

    // A fresh start reads both logs into empty lists, marks the shown headline, rewrites the same bytes.
    startLogs(3, 2, news);
    data.loadClickLog();
    data.loadMovieLog();
    EXPECT_EQ(written("news901.xml"), expected("news901.xml"));
    EXPECT_EQ(written("news902.xml"), expected("news902.xml"));
    EXPECT_TRUE(shownAsRead(news.strID));
    EXPECT_EQ(channels.objClickLogList.GetId(0), ad.strID);
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(UserDataTest, ALoggedClickKeepsItsTextAndReadMarkThroughEveryRefresh) {
    // Text Shift_JIS cannot hold, XML specials and a CR, all of which a feed may carry.
    const auto news =
        headline("0050000000000000001", "spt", "Caf\u00e9 a<b&c\r ①😀", "http://n.test/?a=1&b=2", "Q&A社");
    const std::string first = clickedThroughRefreshes(news);
    EXPECT_NE(first.find("<title>Caf&#233; a&lt;b&amp;c&#13; \x87\x40&#128512;</title>"), std::string::npos);

    // A control character from the server cannot make the profile unreadable.
    t.script.user = t.server.base() + "user";
    t.server.route("/user", std::string("N\x01 7"));
    inet.RegistUser();
    ASSERT_EQ(user.strUserID, std::string("N\x01 7"));
    data.saveUserDataXML();
    data.loadUserDataXML();
    EXPECT_EQ(user.strUserID, "N 7");
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(UserDataTest, CharactersThatCp932WouldTurnIntoOthersKeepTheReadMark) {
    // As a UTF-8 feed delivers them: WAVE DASH, MINUS SIGN, EM DASH, YEN SIGN.
    const auto news =
        headline("0050000000000000002", "eco", "\u301C\u2212\u2014\u00A5100", "http://n.test/2");
    const std::string first = clickedThroughRefreshes(news);
    EXPECT_NE(first.find("<title>&#12316;&#8722;&#8212;&#165;100</title>"), std::string::npos);
}

TEST_F(UserDataTest, BannerClickIsReportedButNeitherMarkedNorLogged) {
    t.script.logadclick = t.server.base() + "logadclick";
    const auto banner = headline("tb1", "tbn", "バナー", "http://ad.test/tb");
    // A headline with the banner's text and address, which a read mark would take.
    const auto alike = headline("0050000000000000009", "eco", banner.strNewsText, banner.strNewsUrl);
    startLogs(3, 2, alike);

    data.setClickLog(banner);

    t.http.flush(2000);
    ASSERT_EQ(t.server.targets().size(), 1u);
    EXPECT_NE(t.server.targets()[0].find("&adtype=tbn&id=tb1&"), std::string::npos);
    EXPECT_FALSE(shownAsRead(alike.strID));
    EXPECT_EQ(channels.objClickLogList.GetId(0), "");
    for (const char* file : {"news901.xml", "news902.xml", "news998.xml"})
        EXPECT_FALSE(t.folder.exists(std::string("/flash/xml/") + file)) << file;
}

TEST_F(UserDataTest, TheHundredAndFirstClickPushesTheOldestOut) {
    startLogs(100, 20, headline("", ""));
    for (int i = 1; i <= 101; ++i)
        data.setClickLog(headline("005" + std::to_string(1000 + i), "eco", "t" + std::to_string(i)));

    const XmlDocument log = XmlDocument::loadFile(t.paths.clickLogXml());
    const auto ids = log.getElementsByTagName("brs:hlid");
    ASSERT_EQ(ids.size(), 100u);
    EXPECT_EQ(ids.front().text(), "0051101");
    EXPECT_EQ(ids.back().text(), "0051002");
}

TEST_F(UserDataTest, LogReaderSkipsUnlistedElementsAndStopsAtANonElementWithoutRewriting) {
    const auto item = [](const std::string& id, const std::string& extra) {
        return "<item><brs:hlid>" + id + "</brs:hlid><brs:click>True</brs:click>" + extra + "</item>";
    };
    const std::string log = kDecl + "<rdf:RDF xmlns:brs=\"x\">" + item("0051", "<!-- c -->") +
                            item("0052", "") + item("0053", "") + "</rdf:RDF>";
    write("news901.xml", log);
    write("news902.xml", log);
    startLogs(5, 5, headline("", ""));

    data.loadClickLog();
    data.loadMovieLog();

    EXPECT_EQ(channels.objClickLogList.GetId(0), "0052");
    EXPECT_EQ(channels.objClickLogList.GetId(1), "0053");
    EXPECT_EQ(channels.objClickLogList.GetId(2), "");
    EXPECT_EQ(written("news901.xml"), log);
    ASSERT_EQ(t.recorded.reports.size(), 2u);
    EXPECT_TRUE(t.recorded.reports[0].text.starts_with("modUserData.loadClickLog >"));
    EXPECT_TRUE(t.recorded.reports[1].text.starts_with("modUserData.loadMovieLog >"));
}

// Root ignores permissions, so a file-size limit makes the write fail instead.
TEST_F(UserDataTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    const std::string old = kDecl + "<userdata><id>OLD</id></userdata>\r\n";
    write("user.xml", old);
    user.strEmail = std::string(4096, 'x');

    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    data.saveUserDataXML();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(t.recorded.has("modUserData.saveUserDataXML >"));
    EXPECT_EQ(written("user.xml"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.paths.xmlFolder()), {}), 1);
}

} // namespace
} // namespace brisma
