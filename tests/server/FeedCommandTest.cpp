#include "ProcessRun.h"
#include "TestServer.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace brisma::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using ::testing::HasSubstr;

Outcome runFeed(const QStringList& args) {
    return runProcess(QStringLiteral(BRISMA_SERVER_EXE), QStringList{QStringLiteral("feed")} + args);
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The first-seen time of an undated item is the clock's: its id is only checked for its shape.
Json withoutClock(Json feed) {
    for (Json& item : feed["items"])
        if (item["date"].is_null()) {
            EXPECT_TRUE(std::regex_match(item["id"].get<std::string>(), std::regex("000[0-9]{16}"))) << item;
            item["id"] = "(first seen)";
        }
    return feed;
}

// Every NAME.expected.json in the table: NAME.xml or NAME.json read with --json gives it, and
// the notices on stderr are NAME.notices (none when there is no such file).
TEST(FeedCommand, ReadsEveryFormatAndCharacterSetAsTheTableSays) {
    const fs::path table = fs::path(BRISMA_TEST_DATA) / "feeds";
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(table)) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".expected.json"))
            continue;
        const std::string name = file.substr(0, file.size() - 14);
        const fs::path source =
            fs::exists(table / (name + ".xml")) ? table / (name + ".xml") : table / (name + ".json");
        SCOPED_TRACE(source.string());
        const Outcome run = runFeed({QStringLiteral("--json"), QString::fromStdString(source.string())});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(withoutClock(Json::parse(run.out)), Json::parse(slurp(entry.path())));
        std::string notices; // each line starts with the source it is about
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);)
            notices += line.substr(source.string().size() + 2) + "\n";
        EXPECT_EQ(notices, fs::exists(table / (name + ".notices")) ? slurp(table / (name + ".notices")) : "");
        ++cases;
    }
    EXPECT_GE(cases, 12);
}

// Without --json: the channel feed as served, read here by the client's own parser. Only items
// with a title and a usable link, newest first.
TEST(FeedCommand, PrintsTheChannelFeedTheClientReads) {
    const Outcome run =
        runFeed({QString::fromStdString((fs::path(BRISMA_TEST_DATA) / "feeds" / "rss20-news.xml").string())});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"));
    const XmlDocument doc = XmlDocument::fromBytes(run.out);
    std::vector<std::string> seen;
    for (const XmlNode& item : doc.getElementsByTagName("item"))
        seen.push_back(item.getElementsByTagName("brs:hlid").at(0).text() + " " +
                       item.getElementsByTagName("brs:type").at(0).text() + " " +
                       item.getElementsByTagName("title").at(0).text() + " " +
                       item.getElementsByTagName("link").at(0).text());
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "0002026120918300001 oth 速報　株価が大幅上昇… https://news.example.jp/a/1",
                        "0002026120918150001 oth 台風 接近 & 大雨 https://news.example.jp/a/2",
                        "0002026120908000001 oth 見出しの 改行 と空白 https://news.example.jp/a/3",
                    }));
}

// Over HTTP: through a redirect, with the server's User-Agent; the answer's charset read and
// relative links resolved against the final address. An answer that is no feed fails with one line.
TEST(FeedCommand, FetchesAnAddressAndFailsWithOneLine) {
    TestServer server;
    TestServer::Response moved;
    moved.status = 302;
    moved.location = server.base() + "news/feed";
    server.route("/feed", moved);
    TestServer::Response feed;
    feed.contentType = "application/rss+xml; charset=Shift_JIS";
    feed.body = text::toCp932("<rss><channel><title>地域</title><item><title>①の話</title><link>1.html</link>"
                              "<pubDate>Mon, 07 Dec 2026 00:00:00 +0900</pubDate></item></channel></rss>");
    server.route("/news/feed", feed);
    TestServer::Response mislabelled = feed; // the label fails, the declaration is right
    mislabelled.contentType = "text/xml; Charset=UTF-8";
    mislabelled.body = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + feed.body;
    server.route("/mislabelled", mislabelled);
    TestServer::Response login;
    login.contentType = "text/html";
    login.body = "<html><body><form>Login</form></body></html>";
    server.route("/login", login);

    const Outcome run = runFeed({QStringLiteral("--json"), QString::fromStdString(server.base() + "feed")});
    ASSERT_EQ(run.code, 0) << run.err;
    const Json items = Json::parse(run.out)["items"];
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]["title"], "①の話");
    EXPECT_EQ(items[0]["link"], server.base() + "news/1.html");
    EXPECT_EQ(server.requestHeader(0, "User-Agent"), "brisma-server/3.1.1");
    const Outcome relabelled =
        runFeed({QStringLiteral("--json"), QString::fromStdString(server.base() + "mislabelled")});
    ASSERT_EQ(relabelled.code, 0) << relabelled.err;
    EXPECT_EQ(Json::parse(relabelled.out)["items"][0]["title"], "①の話");
    EXPECT_THAT(relabelled.err, HasSubstr("Not readable as utf-8"));

    for (const char* path : {"missing", "login"}) {
        const Outcome failed = runFeed({QString::fromStdString(server.base() + path)});
        EXPECT_EQ(failed.code, 1) << path;
        EXPECT_EQ(failed.out, "") << path;
        EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
        EXPECT_THAT(failed.err, HasSubstr(server.base() + path)) << failed.err;
    }
    // Failing is 1; words the command does not take are 2, as for every command.
    EXPECT_EQ(runFeed({}).code, 2);
    EXPECT_EQ(runFeed({QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("f.xml")}).code, 2);
}

// Hostile sources end in a feed or in one line, within bounded memory, and nothing outside the
// document is read.
TEST(FeedCommand, ContainsHostileSources) {
    QTemporaryDir dir;
    const fs::path at(dir.path().toStdString());
    write(at / "secret.txt", "SECRET-MARKER");
    const std::string secret = "file://" + (at / "secret.txt").string();
    std::string laughs = "<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'k'; ++c)
        laughs += std::string("<!ENTITY ") + c + " \"" + [&] {
            std::string ten;
            for (int i = 0; i < 10; ++i)
                ten += std::string("&") + static_cast<char>(c - 1) + ";";
            return ten;
        }() + "\">";
    std::string many = "<rss><channel><title>Many</title>";
    for (int i = 0; i < 100000; ++i)
        many += "<item><title>Item " + std::to_string(i) + "</title><link>http://h.example.com/" +
                std::to_string(i) + "</link></item>";
    many += "</channel></rss>";
    struct Case {
        const char* name;
        std::string body;
        int code;
        std::size_t items;
    };
    const std::vector<Case> cases{
        {"external.xml",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"" + secret +
             "\">]><rss><channel><item><title>&x;</title></item></channel></rss>",
         0, 1},
        {"parameter.xml",
         "<!DOCTYPE rss [<!ENTITY % p SYSTEM \"" + secret +
             "\"> %p;]><rss><channel><title>t</title></channel></rss>",
         0, 0},
        {"bomb.xml",
         "<!DOCTYPE rss [" + laughs + "]><rss><channel><item><title>&k;</title></item></channel></rss>", 0,
         1},
        {"commented.xml", // quotes in a comment of the subset do not hide its end
         "<!DOCTYPE rss [<!-- it's \"quoted\" ]> -->" + std::string("<!ENTITY q \"") +
             std::string(10000, 'q') + "\">]><rss><channel><item><title>" +
             [] {
                 std::string refs;
                 for (int i = 0; i < 2000; ++i)
                     refs += "&q;";
                 return refs;
             }() +
             "</title></item></channel></rss>",
         0, 1},
        {"many.xml", many, 0, 100000},
        {"unclosed.xml", // openings without an end, each of which once searched the rest of the title
         [] {
             std::string s = "<rss><channel><item><link>http://u.example.com/</link><title>";
             for (int i = 0; i < 300000; ++i)
                 s += "&lt;!--&lt;a";
             return s + "</title></item></channel></rss>";
         }(),
         0, 1},
        {"nested.xml",
         [] {
             std::string s = "<rss><channel><item><title>";
             for (int i = 0; i < 50000; ++i)
                 s += "<b>";
             return s + "</title></item></channel></rss>";
         }(),
         1, 0},
        {"nested.json",
         "{\"version\":\"https://jsonfeed.org/version/1\",\"items\":" + std::string(100000, '[') +
             std::string(100000, ']') + "}",
         1, 0},
        {"invalid.xml",
         "<?xml version=\"1.0\" "
         "encoding=\"utf-8\"?><rss><channel><item><title>a\xFF\xC3"
         "b\xED\xA0\x80"
         "c</title>"
         "<link>http://u.example.com/</link></item></channel></rss>",
         0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(at / c.name, c.body);
        const Outcome run =
            runFeed({QStringLiteral("--json"), QString::fromStdString((at / c.name).string())});
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_EQ(run.out.find("SECRET-MARKER"), std::string::npos);
        EXPECT_LT(run.out.size(), std::size_t{16} << 20);
        if (c.code == 0) {
            std::set<std::string> ids; // 19 digits and unique, even past 9999 items in a minute
            const Json feed = Json::parse(run.out);
            for (const Json& item : feed["items"])
                if (item["id"].get<std::string>().size() == 19)
                    ids.insert(item["id"].get<std::string>());
            EXPECT_EQ(ids.size(), c.items);
        } else
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const Outcome invalid =
        runFeed({QStringLiteral("--json"), QString::fromStdString((at / "invalid.xml").string())});
    EXPECT_EQ(Json::parse(invalid.out)["items"][0]["title"], "a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc");
    EXPECT_THAT(invalid.err, HasSubstr("U+FFFD"));
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory and quarantine double the peak, so only the plain build measures it.
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss, 400 * 1024) << "kB at the peak of the largest run";
#endif
}

} // namespace
} // namespace brisma::test
