#include "platform/http/HttpClient.h"

#include "TestServer.h"
#include "common/BrismaError.h"
#include "platform/events/EventGate.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace brisma {
namespace {

using test::TestServer;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using Texts = std::vector<std::string>;

// Long enough that only the limit or the cancellation under test can end a transfer.
HttpLimits patient(void (*adjust)(HttpLimits&) = [](HttpLimits&) {}) {
    HttpLimits l;
    l.connectTimeoutMs = l.totalTimeoutMs = 600'000;
    l.stallTimeoutMs = 600'000;
    adjust(l);
    return l;
}

template <class Set> TestServer::Response reply(Set set) {
    TestServer::Response r;
    set(r);
    return r;
}

// The text of the NetworkFailure that `request` must raise.
template <class Request> std::string networkFailure(Request&& request) {
    try {
        request();
    } catch (const BrismaError& e) {
        EXPECT_EQ(e.number(), err::NetworkFailure) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

// Synchronous requests run as in the program: on the application thread, through the gate.
class HttpGet : public ::testing::Test {
protected:
    std::string get(const std::string& url, HttpLimits limits = patient()) {
        return HttpClient(&gate, limits).get(url);
    }

    TestServer server;
    EventGate gate;
};

TEST_F(HttpGet, ReturnsTheExactBodyWhateverTheStatusAndFollowsRedirects) {
    std::string binary;
    for (int b = 0; b < 512; ++b)
        binary.push_back(static_cast<char>(b));
    server.route("/bin", reply([&](auto& r) {
                     r.body = binary;
                     r.contentType = "application/octet-stream";
                 }));
    server.route("/failed", reply([](auto& r) {
                     r.status = 500;
                     r.body = "<error/>";
                 }));
    server.route("/old.xml", reply([&](auto& r) {
                     r.status = 302;
                     r.location = server.base() + "bin";
                 }));

    EXPECT_EQ(get(server.base() + "bin"), binary);
    EXPECT_EQ(HttpClient(nullptr).get(server.base() + "bin"), binary);
    EXPECT_EQ(get(server.base() + "failed"), "<error/>");
    EXPECT_EQ(get(server.base() + "unrouted"), "<html><body>404 Not Found</body></html>");
    EXPECT_EQ(get(server.base() + "old.xml"), binary);
    // The query goes out as given, "&" inside a value included.
    get(server.base() + "user?com=regist&email=a&b@x.jp");
    EXPECT_EQ(server.targets(), (Texts{"/bin", "/bin", "/failed", "/unrouted", "/old.xml", "/bin",
                                       "/user?com=regist&email=a&b@x.jp"}));
    // The status comes beside the same body: the final one after a redirect.
    HttpClient http(&gate, patient());
    for (const auto& [path, status, body] : {std::tuple{"failed", 500L, std::string("<error/>")},
                                             {"unrouted", 404L, "<html><body>404 Not Found</body></html>"},
                                             {"old.xml", 200L, binary}}) {
        const HttpResponse response = http.getResponse(server.base() + path);
        EXPECT_EQ(response.status, status) << path;
        EXPECT_EQ(response.body, body) << path;
    }
}

TEST_F(HttpGet, RaisesWhenNoCompleteAnswerArrives) {
    std::string refused;
    {
        TestServer gone;
        refused = gone.base() + "news.xml";
    }
    // The text names the address without its query or fragment, whatever its form.
    EXPECT_THAT(networkFailure([&] { get(refused + "?email=a@b.jp"); }), EndsWith(": " + refused));
    EXPECT_THAT(networkFailure([&] { get(refused + "#birth=19800101"); }), EndsWith(": " + refused));
    EXPECT_EQ(networkFailure([&] { get("srv.example/user?com=regist&email=a@b.jp"); }),
              "Not an http or https address: srv.example/user");
    EXPECT_THAT(networkFailure([&] { get(refused + "\n?email=a@b.jp"); }), Not(HasSubstr("a@b.jp")));
    server.route("/truncated", reply([](auto& r) {
                     r.body = "<news>";
                     r.truncate = true;
                 }));
    networkFailure([&] { get(server.base() + "truncated"); });
    networkFailure([&] { HttpClient(nullptr).get(""); });
    networkFailure([&] { get("not an address"); });

    server.route("/hang", reply([](auto& r) { r.hang = true; }));
    networkFailure(
        [&] { get(server.base() + "hang", patient([](HttpLimits& l) { l.totalTimeoutMs = 300; })); });
    networkFailure(
        [&] { get(server.base() + "hang", patient([](HttpLimits& l) { l.stallTimeoutMs = 1000; })); });

    server.route("/endless", reply([](auto& r) { r.endless = true; }));
    const auto capped = patient([](HttpLimits& l) { l.maxBodyBytes = 1024 * 1024; });
    EXPECT_THAT(networkFailure([&] { get(server.base() + "endless", capped); }), HasSubstr("1048576"));
}

TEST_F(HttpGet, RefusesEveryOtherScheme) {
    server.route("/tofile", reply([](auto& r) {
                     r.status = 302;
                     r.location = "file:///etc/hostname";
                 }));
    networkFailure([&] { get(server.base() + "tofile"); });
    networkFailure([&] { get("file:///etc/hostname"); });
    networkFailure([&] { get("ftp://127.0.0.1/"); });
}

// http_proxy takes plain addresses to the proxy, which sees the whole address; a host that
// no_proxy names, or a subdomain of one, goes direct, and so does an address in a range it names.
TEST_F(HttpGet, GoesThroughTheProxyTheEnvironmentNames) {
    TestServer direct;
    std::string closed;
    {
        TestServer gone;
        closed = gone.base().substr(gone.base().rfind(':'));
    }
    ::setenv("http_proxy", server.base().c_str(), 1);
    ::setenv("no_proxy", "example.org, .invalid", 1);
    get("http://brisma.example/news.xml");
    networkFailure([&] { get("http://news.brisma.invalid/news.xml"); }); // direct: no such name
    ::setenv("no_proxy", "10.0.0.0/8 127.0.0.0/8", 1);
    get(direct.base() + "a.xml");
    get("http://[::1]" + closed + "b.xml");
    ::setenv("no_proxy", "10.0.0.0/8,127.0.0.2,::/127", 1);
    get(direct.base() + "c.xml");
    networkFailure([&] { get("http://[::1]" + closed + "d.xml"); }); // direct: nothing listens
    ::setenv("no_proxy", "", 1);
    get("http://news.brisma.invalid/news.xml?id=1");
    ::unsetenv("http_proxy");
    ::unsetenv("no_proxy");
    EXPECT_EQ(server.targets(), (Texts{"http://brisma.example/news.xml", "http://[::1]" + closed + "b.xml",
                                       direct.base() + "c.xml", "http://news.brisma.invalid/news.xml?id=1"}));
    EXPECT_EQ(direct.targets(), Texts{"/a.xml"});
}

TEST_F(HttpGet, WaitsInTheGateLoopWhereTimersTickAndHandlersAreDeferred) {
    server.route("/slow", reply([](auto& r) {
                     r.body = "<late/>";
                     r.delayMs = 500;
                 }));
    HttpClient http(&gate, patient());
    Texts order;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ticks++ == 0)
            gate.run([&] { order.push_back("handler"); });
    });
    timer.start(5);
    std::string body;
    // Nothing turns the event loop here but the wait inside get.
    gate.run([&] {
        body = http.get(server.base() + "slow");
        order.push_back("get returned");
    });
    timer.stop();

    EXPECT_EQ(body, "<late/>");
    EXPECT_GT(ticks, 0);
    for (int i = 0; i < 100 && order.size() < 2; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(order, (Texts{"get returned", "handler"}));
}

// The server's requests: from a thread of its own, with no gate, caller's headers and limits.
TEST(HttpRequest, SendsTheCallersHeadersAndReturnsTheAnswersHeadersAndFinalAddress) {
    TestServer server;
    TestServer other;
    other.route("/feed.xml", reply([](auto& r) {
                    r.body = "<rss/>";
                    r.headers = {{"ETag", "\"v1\""}, {"Cache-Control", "max-age=600"}};
                }));
    // A 304 may announce the length of the representation it stands for, and sends no body.
    other.route("/same.xml", reply([](auto& r) {
                    r.status = 304;
                    r.headers = {{"Content-Length", "6"}};
                }));
    server.route("/moved", reply([&](auto& r) {
                     r.status = 301;
                     r.location = other.base() + "feed.xml";
                 }));
    server.route("/loop", reply([&](auto& r) {
                     r.status = 302;
                     r.location = server.base() + "loop";
                 }));
    const HttpHeaders headers{{"User-Agent", "brisma-server/3.1.1 (+ops@example.jp)"},
                              {"If-None-Match", "\"v0\""}};
    HttpReply moved;
    HttpReply same;
    std::string loop;
    std::string capped;
    std::thread([&] {
        moved = HttpClient::request({server.base() + "moved", headers}, patient());
        same = HttpClient::request({other.base() + "same.xml", headers}, patient());
        loop = networkFailure([&] { HttpClient::request({server.base() + "loop", {}}, patient()); });
        capped = networkFailure([&] {
            HttpClient::request({other.base() + "feed.xml", {}},
                                patient([](HttpLimits& l) { l.maxBodyBytes = 5; }));
        });
    }).join();

    EXPECT_EQ(moved.status, 200);
    EXPECT_EQ(moved.body, "<rss/>");
    EXPECT_EQ(moved.finalAddress, other.base() + "feed.xml");
    EXPECT_EQ(moved.header("etag"), "\"v1\"");
    EXPECT_EQ(moved.header("CACHE-CONTROL"), "max-age=600");
    EXPECT_EQ(moved.header("Retry-After"), "");
    EXPECT_EQ(same.status, 304);
    EXPECT_EQ(same.body, "");
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(other.requestHeader(i, "user-agent"), "brisma-server/3.1.1 (+ops@example.jp)");
        EXPECT_EQ(other.requestHeader(i, "If-None-Match"), "\"v0\"");
    }
    EXPECT_THAT(capped, HasSubstr("larger than 5 bytes"));
    EXPECT_THAT(loop, HasSubstr("edirects")); // either end of a chain too long
}

TEST(HttpGetAsync, NeverWaitsSendsInOrderAndDropsBeyondTheQueue) {
    auto slow = std::make_unique<TestServer>();
    slow->route("/hang", reply([](auto& r) { r.hang = true; }));
    TestServer server;
    HttpClient http(nullptr, patient([](HttpLimits& l) { l.maxQueuedReports = 2; }));

    // The server never answers until it is stopped, yet the call comes back.
    http.getAsync(slow->base() + "hang");
    ASSERT_TRUE(slow->waitForRequests(1, 10'000));
    for (const char* id : {"1", "2", "3"})
        http.getAsync(server.base() + "log?id=" + id);
    EXPECT_FALSE(http.flush(50));

    slow.reset(); // releases the hanging request
    EXPECT_TRUE(http.flush(10'000));
    EXPECT_EQ(server.targets(), (Texts{"/log?id=1", "/log?id=2"}));
}

TEST(HttpGetAsync, ClosingSendsWhatCanFinishAndAbandonsTheRest) {
    TestServer server;
    TestServer slow;
    slow.route("/hang", reply([](auto& r) { r.hang = true; }));
    {
        HttpClient http(nullptr, patient());
        for (const char* id : {"1", "2", "3"})
            http.getAsync(server.base() + "view?id=" + id);
    }
    EXPECT_EQ(server.targets(), (Texts{"/view?id=1", "/view?id=2", "/view?id=3"}));

    auto http = std::make_unique<HttpClient>(nullptr, patient());
    http->getAsync(slow.base() + "hang");
    ASSERT_TRUE(slow.waitForRequests(1, 10'000));
    http->getAsync(server.base() + "view?id=4");
    http.reset(); // returns although the hanging request would outlast every limit
    EXPECT_EQ(server.targets().size(), 3u);
}

} // namespace
} // namespace brisma
