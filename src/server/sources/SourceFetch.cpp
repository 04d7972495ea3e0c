#include "server/sources/SourceFetch.h"

#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"

#include <algorithm>
#include <cctype>

namespace brisma::server {
namespace {

HttpLimits sourceLimits() {
    HttpLimits limits;
    limits.connectTimeoutMs = 10'000;
    limits.totalTimeoutMs = 30'000;
    limits.stallTimeoutMs = 30'000;
    limits.maxBodyBytes = std::size_t{15} * 1024 * 1024;
    limits.maxRedirects = 5;
    return limits;
}

// The charset parameter of a Content-Type, lower case; empty when none.
std::string charsetOf(const std::string& contentType) {
    std::string lower = contentType;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string value = lower.substr(at + 8);
    value = value.substr(0, value.find_first_of("; \t"));
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    return value;
}

FetchResult readFile(const SourceState& copy) {
    FetchResult result;
    result.finalAddress = copy.address;
    try {
        result.body = fs::readFile(copy.address);
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    result.kind =
        copy.hasBody && copy.body == result.body ? FetchResult::Kind::NotModified : FetchResult::Kind::Fresh;
    return result;
}

} // namespace

bool isFileSource(const std::string& source) {
    return source.find("://") == std::string::npos;
}

std::string hostOf(const std::string& source) {
    if (isFileSource(source))
        return "file";
    const auto start = source.find("://") + 3;
    std::string authority = source.substr(start, source.find_first_of("/?#", start) - start);
    if (const auto at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    const auto port = authority.find(':', authority.starts_with('[') ? authority.find(']') : 0);
    std::string host = authority.substr(0, port);
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host;
}

std::string userAgent(const std::string& contact) {
    std::string agent = std::string("brisma-server/") + BRISMA_VERSION;
    return contact.empty() ? agent : agent + " (+" + contact + ")";
}

FetchResult fetchSource(const SourceState& copy, const std::string& agent) {
    if (isFileSource(copy.address))
        return readFile(copy);
    HttpRequest request{.url = copy.address, .headers = {{"User-Agent", agent}}};
    if (copy.hasBody && !copy.etag.empty())
        request.headers.emplace_back("If-None-Match", copy.etag);
    if (copy.hasBody && !copy.lastModified.empty())
        request.headers.emplace_back("If-Modified-Since", copy.lastModified);
    FetchResult result;
    HttpReply reply;
    try {
        reply = HttpClient::request(request, sourceLimits());
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    result.status = reply.status;
    result.headers = std::move(reply.headers);
    result.finalAddress = reply.finalAddress.empty() ? copy.address : reply.finalAddress;
    if (reply.status == 304 && copy.hasBody) {
        result.kind = FetchResult::Kind::NotModified;
    } else if (reply.status >= 200 && reply.status < 300) {
        result.kind = FetchResult::Kind::Fresh;
        result.body = std::move(reply.body);
        result.charset = charsetOf(headerValue(result.headers, "Content-Type").value_or(""));
    } else {
        result.error = "HTTP status " + std::to_string(reply.status);
    }
    return result;
}

} // namespace brisma::server
