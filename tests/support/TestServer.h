#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace brisma::test {

// A loopback HTTP server for tests: routes are set by the test, every request is kept in order.
class TestServer {
public:
    struct Response {
        int status = 200;
        std::string body;
        std::string contentType = "text/xml";
        int delayMs = 0;       // answer after this delay
        bool hang = false;     // accept the request and never answer (until the server stops)
        bool hold = false;     // answer once release() is called
        bool truncate = false; // announce more bytes than are sent, then close
        bool endless = false;  // stream bytes until the client gives up
        std::string location;  // sent as the Location header (a redirect with a 3xx status)
        std::vector<std::pair<std::string, std::string>> headers; // further headers sent
    };

    // Listens on `host`, any loopback address (127.0.0.0/8 is all local on Linux), answering with
    // `threads` at a time.
    explicit TestServer(std::string host = "127.0.0.1", int threads = 8);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // "http://HOST:PORT/"
    std::string base() const;

    // Answers GET `path` (without query) with `response`; an unrouted path gets 404.
    void route(const std::string& path, Response response);
    void route(const std::string& path, std::string body);

    // Request targets (path and query) exactly as received, in order.
    std::vector<std::string> targets() const;
    // The value of header `name` in the `index`th request kept; empty when it had none.
    std::string requestHeader(std::size_t index, const std::string& name) const;
    void clearRequests();
    bool waitForRequests(std::size_t count, int timeoutMs) const;
    // Lets the held answers go, those waiting and those to come.
    void release();

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::string host_;
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, Response> routes_;
    std::vector<std::string> targets_;
    std::vector<std::multimap<std::string, std::string>> requestHeaders_; // names in lower case
    bool released_ = false;
    bool stopping_ = false;
};

} // namespace brisma::test
