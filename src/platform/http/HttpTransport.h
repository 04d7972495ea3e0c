#pragma once

#include <string>

namespace brisma {

// A complete answer: the final status (after redirects) and the body bytes.
struct HttpResponse {
    long status = 0;
    std::string body;
};

// What the modules ask of HTTP: GET with an answer, and reports sent in the background.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Synchronous GET: the body bytes whatever the status. A request that cannot be made
    // raises a BrismaError with err::NetworkFailure.
    std::string get(const std::string& url) { return getResponse(url).body; }
    // The same request, with the status beside the body, for callers that judge the answer by it.
    virtual HttpResponse getResponse(const std::string& url) = 0;
    // Fire-and-forget GET; never blocks the caller and never fails it.
    virtual void getAsync(const std::string& url) = 0;
    // Waits at most `timeoutMs` until every queued report has been sent; true when drained.
    virtual bool flush(int timeoutMs) = 0;
};

} // namespace brisma
