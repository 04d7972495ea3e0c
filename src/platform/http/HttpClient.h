#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace brisma {

class EventGate;

struct HttpLimits {
    long connectTimeoutMs = 10'000;
    long totalTimeoutMs = 60'000;
    long lowSpeedTimeS = 15; // a transfer below lowSpeedLimit bytes/s for this long aborts
    long lowSpeedLimit = 1;
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;
    std::size_t maxQueuedReports = 256;
};

// A complete answer: the final status (after redirects) and the body bytes.
struct HttpResponse {
    long status = 0;
    std::string body;
};

// HTTP GET on libcurl. Redirects are followed and the proxy variables honoured.
class HttpClient {
public:
    // `gate` may be null (no event loop): a synchronous request then simply blocks.
    explicit HttpClient(EventGate* gate, HttpLimits limits = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Synchronous GET: the body bytes whatever the status. A request that cannot be made
    // (connection, timeout, a body over the cap, a malformed address) raises a BrismaError with
    // err::NetworkFailure. On the GUI thread the wait runs in the gate's restricted loop, so the
    // bar keeps scrolling and no other handler runs meanwhile.
    std::string get(const std::string& url);
    // The same request, with the status beside the body, for callers that judge the answer by it.
    HttpResponse getResponse(const std::string& url);

    // Fire-and-forget GET through the one background sender; never blocks the caller. When the
    // queue is full the request is dropped.
    void getAsync(const std::string& url);

    // Waits at most `timeoutMs` until every queued report has been sent; true when drained.
    bool flush(int timeoutMs);

private:
    class Sender;
    EventGate* gate_;
    HttpLimits limits_;
    std::unique_ptr<Sender> sender_;
};

} // namespace brisma
