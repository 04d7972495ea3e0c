#include "server/sources/Politeness.h"

#include <algorithm>
#include <cctype>
#include <ctime>

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

// The max-age directive of a Cache-Control value, read by hand: the value is the source's to
// choose, and a regular expression recurses once per blank of a long run, beyond the stack.
std::optional<std::int64_t> maxAge(const std::string& control) {
    for (std::size_t at = 0; at < control.size();) {
        const std::size_t end = std::min(control.find(',', at), control.size());
        const std::string directive = control.substr(at, end - at);
        at = end + 1;
        const std::size_t equals = directive.find('=');
        if (equals == std::string::npos || !sameName(trimmed(directive.substr(0, equals)), "max-age"))
            continue;
        std::string value = trimmed(directive.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (const auto s = wholeSeconds(value))
            return s;
    }
    return std::nullopt;
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
    if (const auto control = headerValue(headers, "Cache-Control"))
        if (const auto s = maxAge(*control))
            return seconds(*s);
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
