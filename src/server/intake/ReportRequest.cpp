#include "server/intake/ReportRequest.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brisma::server {
namespace {

constexpr std::size_t kMaxTarget = 8 * 1024;
constexpr std::string_view kReportFolder = "/log/";

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Well-formed UTF-8 (no overlong forms, no surrogates) without control characters: C0, DEL, C1.
bool isCleanText(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                return false;
            ++p;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2, code = c & 0x1F, least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, code = c & 0x0F, least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, code = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            (code >= 0x80 && code <= 0x9F))
            return false;
        p += length;
    }
    return true;
}

std::string cleanDecoded(std::string_view text) {
    std::string decoded = percentDecoded(text);
    if (!isCleanText(decoded))
        throw RequestRefused("a control character or invalid UTF-8");
    return decoded;
}

Query queryOf(std::string_view raw) {
    Query query;
    while (!raw.empty()) {
        const std::size_t amp = raw.find('&');
        const std::string_view part = raw.substr(0, amp);
        raw = amp == std::string_view::npos ? std::string_view{} : raw.substr(amp + 1);
        if (part.empty())
            continue;
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            query.push_back({cleanDecoded(part), std::nullopt});
        else
            query.push_back({cleanDecoded(part.substr(0, eq)), cleanDecoded(part.substr(eq + 1))});
    }
    return query;
}

ReportKind kindOf(std::string_view name) {
    constexpr std::array<std::pair<std::string_view, ReportKind>, 5> named{{{"click", ReportKind::Click},
                                                                            {"adclick", ReportKind::AdClick},
                                                                            {"adview", ReportKind::AdView},
                                                                            {"view", ReportKind::View},
                                                                            {"update", ReportKind::Update}}};
    for (const auto& [text, kind] : named)
        if (name == text)
            return kind;
    return ReportKind::Log; // a module's own report address
}

void requireDigits(const Query& query) {
    for (const QueryPair& pair : query) {
        if (pair.key != "id" && pair.key != "channel" && pair.key != "date" && pair.key != "time")
            continue;
        if (pair.value &&
            !std::all_of(pair.value->begin(), pair.value->end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw RequestRefused("non-digits in " + pair.key);
    }
}

} // namespace

Request readRequest(std::string_view target) {
    if (target.size() > kMaxTarget)
        throw RequestRefused("a request target over 8 KiB");
    const std::size_t mark = target.find('?');
    Request request;
    request.path = cleanDecoded(target.substr(0, mark));
    if (mark != std::string_view::npos)
        request.query = queryOf(target.substr(mark + 1));

    if (request.path.starts_with(kReportFolder)) {
        request.route = Route::Report;
        request.kind = kindOf(std::string_view(request.path).substr(kReportFolder.size()));
        requireDigits(request.query);
    } else if (request.path == "/user") {
        const std::optional<std::string> com = firstValue(request.query, "com");
        if (com == "regist")
            request.route = Route::Registration;
        else if (com == "update")
            request.route = Route::ProfileUpdate;
    }
    return request;
}

} // namespace brisma::server
