// brisma-server as operators run it: the real executable over loopback sources with scripted
// answers. What it asks the sources, what it serves, and what it refuses.
#include "ServerProcess.h"
#include "TestServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <regex>
#include <sys/stat.h>
#include <thread>

namespace brisma::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string Agent = "brisma-server/3.1.1 (+ops@example.jp)";

std::string rss(const std::vector<std::pair<std::string, std::string>>& items, const std::string& link = "") {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>Source</title>";
    for (const auto& [title, when] : items)
        s += "<item><title>" + title + "</title><link>" +
             (link.empty() ? "https://news.example.jp/" + title : link) + "</link><pubDate>" + when +
             "</pubDate></item>";
    return s + "</channel></rss>\n";
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The ids of a served channel feed by headline link.
std::map<std::string, std::string> idsByLink(const std::string& feed) {
    static const std::regex item(R"(<brs:hlid>(\d{19})</brs:hlid>.*?<link>([^<]*)</link>)");
    std::map<std::string, std::string> ids;
    for (auto m = std::sregex_iterator(feed.begin(), feed.end(), item); m != std::sregex_iterator(); ++m)
        ids[(*m)[2]] = (*m)[1];
    return ids;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisma-server-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(folder_);
    }

    // Channels as "number = N\nname = ...\nsources = [...]" bodies.
    void configure(const std::vector<std::string>& channels, const std::string& content = BRISMA_DEMO_CONTENT,
                   const std::string& maxInterval = "2s") {
        std::ofstream out(folder_ / "server.toml");
        out << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ndata = "
               "\"var\"\ncontent = \""
            << content << "\"\nmin_interval = \"1s\"\nmax_interval = \"" << maxInterval
            << "\"\ncontact = \"ops@example.jp\"\n";
        for (const std::string& c : channels)
            out << "\n[[channel]]\nowner = \"Owner\"\n" << c << "\n";
    }

    void start() {
        server_ = std::make_unique<ServerProcess>(
            std::vector<std::string>{BRISMA_SERVER_EXE, "--config", (folder_ / "server.toml").string()});
        const std::smatch m = [&] {
            std::smatch found;
            std::regex_match(server_->firstLine(), found, std::regex(R"(http://127\.0\.0\.1:(\d+)/)"));
            return found;
        }();
        ASSERT_FALSE(m.empty()) << server_->firstLine();
        port_ = std::stoi(m[1]);
        client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    }

    httplib::Result get(const std::string& path) { return client_->Get(path); }

    // The served document at `path` once `until` holds for it, or the last one.
    std::string await(const std::string& path, const std::function<bool(const std::string&)>& until) {
        std::string text;
        for (int i = 0; i < 200; ++i) {
            if (auto r = get(path); r && r->status == 200) {
                text = r->body;
                if (until(text))
                    return text;
            }
            std::this_thread::sleep_for(50ms);
        }
        return text;
    }

    fs::path folder_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<httplib::Client> client_;
    int port_ = 0;
};

// One source through its life: validators sent back, a 304 that keeps the copy, a new item that
// leaves the old ids alone, and a restart after SIGKILL that serves the copy before any fetch.
TEST_F(ServerTest, AskPolitelyKeepIdsAndServeTheCopyAfterAKill) {
    TestServer source;
    const std::string v1 =
        rss({{"First", "Tue, 08 Dec 2026 21:49:00 +0900"}, {"Second", "Tue, 08 Dec 2026 21:13:00 JST"}});
    source.route("/feed.xml",
                 TestServer::Response{.body = v1,
                                      .headers = {{"ETag", "\"v1\""},
                                                  {"Last-Modified", "Tue, 08 Dec 2026 12:00:00 GMT"},
                                                  {"Cache-Control", "max-age=1"}}});
    configure({"number = 7\nname = \"総合\"\ntype = \"soc\"\nsources = [\"" + source.base() + "feed.xml\"]"});
    start();
    const std::string first =
        await("/feeds/007.xml", [](const std::string& t) { return t.find("Second") != std::string::npos; });
    EXPECT_EQ(first, readAll(fs::path(BRISMA_TEST_DATA) / "feed-007.xml"));
    EXPECT_EQ(source.requestHeader(0, "User-Agent"), Agent);
    EXPECT_EQ(source.requestHeader(0, "If-None-Match"), "");
    EXPECT_EQ(fs::status(folder_ / "var").permissions() & fs::perms::all, fs::perms::owner_all);

    source.route("/feed.xml", TestServer::Response{.status = 304});
    ASSERT_TRUE(source.waitForRequests(2, 10'000));
    EXPECT_EQ(source.requestHeader(1, "If-None-Match"), "\"v1\"");
    EXPECT_EQ(source.requestHeader(1, "If-Modified-Since"), "Tue, 08 Dec 2026 12:00:00 GMT");
    EXPECT_EQ(source.requestHeader(1, "User-Agent"), Agent);
    EXPECT_EQ(get("/feeds/007.xml")->body, first);

    // A new item, and a date in the far future that becomes the time it was first seen.
    source.route("/feed.xml", rss({{"Third", "Tue, 08 Dec 2026 22:30:00 +0900"},
                                   {"Future", "Fri, 01 Jan 2100 00:00:00 +0900"},
                                   {"First", "Tue, 08 Dec 2026 21:49:00 +0900"},
                                   {"Second", "Tue, 08 Dec 2026 21:13:00 JST"}}));
    const std::string second =
        await("/feeds/007.xml", [](const std::string& t) { return t.find("Third") != std::string::npos; });
    auto ids = idsByLink(second);
    const auto before = idsByLink(first);
    for (const auto& [link, id] : before)
        EXPECT_EQ(ids[link], id) << link;
    EXPECT_EQ(ids["https://news.example.jp/Third"], "0072026120822300001");
    EXPECT_FALSE(ids["https://news.example.jp/Future"].starts_with("0072100"));

    server_->kill();
    source.route("/feed.xml", TestServer::Response{.hang = true});
    start();
    const auto served = get("/feeds/007.xml");
    ASSERT_TRUE(served);
    EXPECT_EQ(served->body, second);
}

// Sources that fail in every way a real one does: each channel stays listed and is served, the
// hanging host holds up no other, redirects land and relative links resolve where they landed.
TEST_F(ServerTest, FailingSourcesCostNothingButTheirOwnHeadlines) {
    TestServer hanging("127.0.0.2"), failing, elsewhere("127.0.0.3");
    hanging.route("/feed.xml", TestServer::Response{.hang = true});
    failing.route("/busy", TestServer::Response{.status = 429, .headers = {{"Retry-After", "3600"}}});
    failing.route("/down", TestServer::Response{
                               .status = 503, .headers = {{"Retry-After", "Wed, 21 Oct 2099 07:28:00 GMT"}}});
    failing.route("/login", TestServer::Response{.body = "<html><form>password</form></html>",
                                                 .contentType = "text/html"});
    failing.route("/big", TestServer::Response{.body = std::string(20 * 1024 * 1024, 'x')});
    failing.route("/loop", TestServer::Response{.status = 302, .location = "/loop"});
    failing.route("/moved", TestServer::Response{.status = 301, .location = "/news/feed.xml"});
    failing.route("/news/feed.xml", rss({{"Moved", "Tue, 08 Dec 2026 21:49:00 +0900"}}, "story.html"));
    failing.route("/away", TestServer::Response{.status = 302, .location = elsewhere.base() + "feed.xml"});
    elsewhere.route("/feed.xml", rss({{"Away", "Tue, 08 Dec 2026 21:49:00 +0900"}}, "/a/story.html"));
    const auto channel = [](int number, const std::string& source) {
        return "number = " + std::to_string(number) + "\nname = \"C" + std::to_string(number) +
               "\"\nsources = [\"" + source + "\"]";
    };
    configure({channel(1, hanging.base() + "feed.xml"), channel(2, failing.base() + "busy"),
               channel(3, failing.base() + "down"), channel(4, failing.base() + "login"),
               channel(5, failing.base() + "big"), channel(6, failing.base() + "loop"),
               channel(7, failing.base() + "moved"), channel(8, elsewhere.base() + "unused"),
               channel(9, failing.base() + "away")},
              BRISMA_DEMO_CONTENT, "1h");
    start();
    const auto has = [](const std::string& word) {
        return [word](const std::string& t) { return t.find(word) != std::string::npos; };
    };
    EXPECT_EQ(idsByLink(await("/feeds/007.xml", has("Moved"))).count(failing.base() + "news/story.html"), 1u);
    EXPECT_EQ(idsByLink(await("/feeds/009.xml", has("Away"))).count(elsewhere.base() + "a/story.html"), 1u);
    ASSERT_TRUE(hanging.waitForRequests(1, 1000));

    // Every source of `failing` was asked (one at a time), and the failures are served empty.
    ASSERT_TRUE(failing.waitForRequests(8, 10'000));
    for (const int number : {1, 2, 3, 4, 5, 6}) {
        char path[32];
        std::snprintf(path, sizeof path, "/feeds/%03d.xml", number);
        const auto r = get(path);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
        EXPECT_EQ(r->body.find("<item"), std::string::npos) << path;
    }
    const std::string list = get("/channel.xml")->body;
    EXPECT_EQ(std::regex_replace(list, std::regex(R"(http://127\.0\.0\.1:19999/)"), "{BASE}"),
              readAll(fs::path(BRISMA_TEST_DATA) / "served-channel-list.xml"));
    for (std::size_t i = 0; i < failing.targets().size(); ++i)
        EXPECT_EQ(failing.requestHeader(i, "User-Agent"), Agent);
    // A source that succeeds is asked again after min_interval; one that asked for an hour is not.
    auto targets = failing.targets();
    for (int i = 0; i < 200 && std::count(targets.begin(), targets.end(), "/moved") < 3; ++i) {
        std::this_thread::sleep_for(100ms);
        targets = failing.targets();
    }
    EXPECT_GE(std::count(targets.begin(), targets.end(), "/moved"), 3);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/busy"), 1);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/down"), 1);
}

// What a public service must refuse, and the static documents exactly as the demo server serves them.
TEST_F(ServerTest, ServesContentAsTheDemoDidAndNothingOutsideIt) {
    TestServer source;
    source.route("/feed.xml", rss({{"One", "Tue, 08 Dec 2026 21:49:00 +0900"}}));
    configure({"number = 1\nname = \"A\"\nsources = [\"" + source.base() + "feed.xml\"]"});
    start();
    ServerProcess demo({BRISMA_DEMO_SERVER_EXE, "--port", "0", "--content", BRISMA_DEMO_CONTENT}, true);
    std::smatch m;
    const std::string line = demo.firstLine();
    ASSERT_TRUE(std::regex_search(line, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")));
    httplib::Client demoClient("127.0.0.1", std::stoi(m[1]));
    for (const char* path : {"/scripts_desktop3.xml", "/prefecture.xml", "/ad/001.xml", "/banner/001.swf",
                             "/modules/box.qml", "/movies/movie.xml", "/movies/80000001/80000001.xml",
                             "/movies/80000001/80000001.001", "/ticker_banner.bmp"}) {
        const auto ours = get(path);
        const auto theirs = demoClient.Get(path);
        ASSERT_TRUE(ours && theirs) << path;
        EXPECT_EQ(ours->status, 200) << path;
        EXPECT_EQ(std::regex_replace(ours->body, std::regex("127\\.0\\.0\\.1:19999"), "B"),
                  std::regex_replace(theirs->body, std::regex("127\\.0\\.0\\.1:" + m[1].str()), "B"))
            << path;
    }
    // A channel list in content is never served: the generated one is.
    EXPECT_NE(get("/channel.xml")->body.find("<name-JP>A</name-JP>"), std::string::npos);

    httplib::Client raw("127.0.0.1", port_);
    for (const char* path :
         {"/", "/ad/", "/../demo/content/prefecture.xml", "/ad/..%2f..%2fbrisma-server.toml",
          "/%2e%2e/brisma-server.toml", "//etc/passwd", "/feeds/005.xml", "/missing.xml"}) {
        const auto r = raw.Get(path);
        ASSERT_TRUE(r) << path;
        EXPECT_EQ(r->status, 404) << path;
    }
    EXPECT_EQ(raw.Post("/scripts_desktop3.xml", "x", "text/plain")->status, 405);
    EXPECT_EQ(raw.Get(std::string("/") + std::string(20'000, 'a'))->status / 100, 4);
}

TEST_F(ServerTest, NoSymbolicLinkLeadsOutOfContent) {
    const fs::path content = folder_ / "content";
    fs::create_directories(content);
    fs::copy_file(fs::path(BRISMA_DEMO_CONTENT) / "scripts_desktop3.xml", content / "scripts_desktop3.xml");
    std::ofstream(folder_ / "secret.xml") << "secret";
    fs::create_symlink(folder_ / "secret.xml", content / "out.xml");
    fs::create_directory_symlink(folder_, content / "up");
    std::ofstream(content / "in.xml") << "inside";
    fs::create_symlink(content / "in.xml", content / "link.xml");
    std::ofstream(folder_ / "local.xml") << rss({{"One", "Tue, 08 Dec 2026 21:49:00 +0900"}});
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]"}, content.string());
    start();
    EXPECT_EQ(get("/out.xml")->status, 404);
    EXPECT_EQ(get("/up/secret.xml")->status, 404);
    EXPECT_EQ(get("/link.xml")->body, "inside");
}

// The content folder read again when its files change, with no signal: a file replaced as the
// operator's tools replace one, a file added, a file removed.
TEST_F(ServerTest, ContentFollowsItsFiles) {
    const fs::path content = folder_ / "content";
    fs::create_directories(content / "modules");
    fs::copy_file(fs::path(BRISMA_DEMO_CONTENT) / "scripts_desktop3.xml", content / "scripts_desktop3.xml");
    std::ofstream(content / "modules" / "box.qml") << "first";
    std::ofstream(content / "gone.xml") << "<a>{BASE}</a>";
    std::ofstream(folder_ / "local.xml") << rss({{"One", "Tue, 08 Dec 2026 21:49:00 +0900"}});
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]"}, content.string());
    start();
    EXPECT_EQ(get("/modules/box.qml")->body, "first");
    EXPECT_EQ(get("/gone.xml")->body, "<a>http://127.0.0.1:19999/</a>");

    std::ofstream(content / "modules" / "box.qml.new") << "second";
    fs::rename(content / "modules" / "box.qml.new", content / "modules" / "box.qml");
    std::ofstream(content / "new.xml") << "<new/>";
    fs::remove(content / "gone.xml");
    EXPECT_EQ(await("/new.xml", [](const std::string&) { return true; }), "<new/>");
    EXPECT_EQ(get("/modules/box.qml")->body, "second");
    EXPECT_EQ(get("/gone.xml")->status, 404);
    EXPECT_EQ(get("/modules/box.qml.new")->status, 404);
}

// A head trickling in a byte at a time is cut off: the deadline covers the whole head.
TEST_F(ServerTest, ASlowHeadIsCutOff) {
    std::ofstream(folder_ / "local.xml") << rss({{"One", "Tue, 08 Dec 2026 21:49:00 +0900"}});
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]"});
    start();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string head = "GET /prefecture.xml HTTP/1.1\r\nHost: x\r\nX-Slow: " + std::string(60, 'a');
    std::size_t sent = 0;
    bool closed = false;
    for (; sent < head.size() && !closed; ++sent) {
        closed = ::send(fd, &head[sent], 1, MSG_NOSIGNAL) != 1;
        char c;
        closed = closed || ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
        std::this_thread::sleep_for(500ms);
    }
    ::close(fd);
    EXPECT_TRUE(closed) << "the whole head of " << head.size() << " bytes was taken";
}

// SIGHUP reads the file again: a bad one is refused and the old kept, a good one replaces it.
TEST_F(ServerTest, HangupReadsTheConfigurationAgain) {
    std::ofstream(folder_ / "local.xml") << rss({{"One", "Tue, 08 Dec 2026 21:49:00 +0900"}});
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]"});
    start();
    const std::string list = get("/channel.xml")->body;
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]",
               "number = 1\nname = \"B\"\nsources = [\"local.xml\"]"});
    server_->signal(SIGHUP);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(get("/channel.xml")->body, list);
    configure({"number = 1\nname = \"A\"\nsources = [\"local.xml\"]",
               "number = 2\nname = \"B\"\nsources = [\"local.xml\"]"});
    server_->signal(SIGHUP);
    EXPECT_NE(
        await("/channel.xml", [](const std::string& t) { return t.find("<name-JP>B<") != std::string::npos; })
            .find("<number>2</number>"),
        std::string::npos);
    EXPECT_NE(await("/feeds/002.xml", [](const std::string& t) { return t.find("One") != std::string::npos; })
                  .find("One"),
              std::string::npos);
}

} // namespace
} // namespace brisma::test
