#include "ScriptedTransport.h"

#include "common/BrismaError.h"

namespace brisma::test {

void ScriptedTransport::route(const std::string& url, std::string body, long status) {
    answers_[url] = {status, std::move(body)};
}

HttpResponse ScriptedTransport::getResponse(const std::string& url) {
    requests.push_back(url);
    const auto answer = answers_.find(url);
    if (answer == answers_.end())
        throw BrismaError(err::NetworkFailure, "no answer: " + url);
    return answer->second;
}

} // namespace brisma::test
