#include "server/sources/Politeness.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <regex>

namespace brisma::server {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<std::int64_t> wholeSeconds(const std::string& text) {
    if (text.empty() || text.size() > 12 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::stoll(text);
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t");
    const auto last = s.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

} // namespace

std::optional<std::string> headerValue(const HeaderList& headers, std::string_view name) {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return value;
    return std::nullopt;
}

std::optional<std::int64_t> parseHttpDate(const std::string& text) {
    const std::string t = trimmed(text);
    for (const char* format :
         {"%a, %d %b %Y %H:%M:%S GMT", "%A, %d-%b-%y %H:%M:%S GMT", "%a %b %d %H:%M:%S %Y"}) {
        std::tm tm{};
        const char* end = strptime(t.c_str(), format, &tm);
        if (end && *end == '\0')
            return static_cast<std::int64_t>(timegm(&tm));
    }
    return std::nullopt;
}

std::optional<std::chrono::seconds> askedWait(long status, const HeaderList& headers,
                                              std::optional<std::int64_t> feedTtl, std::int64_t now) {
    using std::chrono::seconds;
    if (status == 429 || status == 503) {
        const auto retry = headerValue(headers, "Retry-After");
        if (!retry)
            return std::nullopt;
        if (const auto s = wholeSeconds(trimmed(*retry)))
            return seconds(*s);
        if (const auto at = parseHttpDate(*retry))
            return seconds(std::max<std::int64_t>(0, *at - now));
        return std::nullopt;
    }
    if (const auto control = headerValue(headers, "Cache-Control")) {
        static const std::regex maxAge(R"re((?:^|[,\s])max-age\s*=\s*"?(\d{1,10})"?)re", std::regex::icase);
        std::smatch m;
        if (std::regex_search(*control, m, maxAge))
            return seconds(std::stoll(m[1]));
    }
    if (const auto expires = headerValue(headers, "Expires")) {
        // An unreadable Expires ("0") means already expired.
        const auto at = parseHttpDate(*expires);
        const auto date = headerValue(headers, "Date");
        const auto sent = date ? parseHttpDate(*date) : std::nullopt;
        return seconds(at ? std::max<std::int64_t>(0, *at - sent.value_or(now)) : 0);
    }
    if (feedTtl)
        return seconds(std::max<std::int64_t>(0, *feedTtl));
    return std::nullopt;
}

std::chrono::seconds nextWait(int failures, std::optional<std::chrono::seconds> asked, Intervals bounds) {
    std::chrono::seconds wait = bounds.min;
    for (int i = 1; i < failures && wait < bounds.max; ++i)
        wait *= 2;
    if (asked)
        wait = std::max(wait, *asked);
    return std::min(wait, bounds.max);
}

} // namespace brisma::server
