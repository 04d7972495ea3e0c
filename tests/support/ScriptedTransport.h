#pragma once

#include "platform/http/HttpTransport.h"

#include <map>
#include <string>
#include <vector>

namespace brisma::test {

// HTTP without a server, for module tests that are about what is asked and what is done with
// the answer. Addresses it has no answer for fail as an unreachable server does.
class ScriptedTransport : public HttpTransport {
public:
    // Answers `url` with `body` and `status` from now on.
    void route(const std::string& url, std::string body, long status = 200);

    HttpResponse getResponse(const std::string& url) override;
    void getAsync(const std::string& url) override { requests.push_back(url); }
    bool flush(int) override { return true; }

    // Every address asked for, answered or not, in the order asked.
    std::vector<std::string> requests;

private:
    std::map<std::string, HttpResponse> answers_;
};

} // namespace brisma::test
