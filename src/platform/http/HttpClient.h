#pragma once

#include "platform/http/HttpTransport.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisma {

class EventGate;

struct HttpLimits {
    long connectTimeoutMs = 10'000;
    long totalTimeoutMs = 60'000;
    long stallTimeoutMs = 15'000; // a transfer that moves no byte for this long aborts
    std::size_t maxBodyBytes = std::size_t{64} * 1024 * 1024;
    std::size_t maxQueuedReports = 256;
    int maxRedirects = 5;
};

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// A GET with headers of the caller's choosing (validators, User-Agent).
struct HttpRequest {
    std::string url;
    HttpHeaders headers; // sent as given; a name the client sets itself is replaced
};

// The answer to an HttpRequest: the status and body with the final answer's headers and address.
struct HttpReply : HttpResponse {
    HttpHeaders headers;      // as received, in order
    std::string finalAddress; // after redirects

    // The value of the first header named `name`, in any case; empty when there is none.
    std::string header(std::string_view name) const;
};

// HTTP GET on Qt Network. Redirects are followed, within http and https, and the proxy
// variables honoured.
class HttpClient : public HttpTransport {
public:
    // `gate` may be null (no event loop): a synchronous request then simply blocks.
    explicit HttpClient(EventGate* gate, HttpLimits limits = {});
    ~HttpClient() override;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // A request that cannot be made (connection, timeout, a body over the cap, a malformed
    // address) raises err::NetworkFailure. On the GUI thread the wait runs in the gate's
    // restricted loop, so the bar keeps scrolling and no other handler runs meanwhile.
    HttpResponse getResponse(const std::string& url) override;
    // Sent through the one background sender; when its queue is full the request is dropped.
    void getAsync(const std::string& url) override;
    bool flush(int timeoutMs) override;

    // One GET under `limits`, blocking the calling thread, which may be any thread on which
    // nothing else waits to run: it needs a QCoreApplication but no event gate. Failures as
    // getResponse.
    static HttpReply request(const HttpRequest& request, const HttpLimits& limits);

    // The client is terminating: the synchronous request in flight is given up, and it and every
    // later one raise ApplicationEnded, which stops the procedure that asked. Queued reports get
    // 1.5 s from now to finish.
    void cancel();

private:
    class Sender;
    EventGate* gate_;
    HttpLimits limits_;
    std::atomic<bool> cancelled_{false};
    std::unique_ptr<Sender> sender_;
};

} // namespace brisma
