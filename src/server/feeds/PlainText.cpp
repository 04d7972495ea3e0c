#include "server/feeds/PlainText.h"

#include "server/feeds/HtmlEntities.h"

#include <array>
#include <cctype>
#include <cstdint>

namespace brisma::server {
namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The C1 controls U+0080..U+009F stand for the characters of windows-1252 there, as browsers read
// numeric references to them; 0 where windows-1252 has none.
constexpr std::array<char32_t, 32> Windows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The character of the numeric reference body `digits` ("#65", "#x41"); U+FFFD when it names none.
char32_t numericReference(std::string_view digits) {
    const bool hex = digits.size() > 1 && (digits[1] == 'x' || digits[1] == 'X');
    std::uint32_t value = 0;
    for (char c : digits.substr(hex ? 2 : 1)) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : hex ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                            : 99;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        if (value > 0x10FFFF)
            return 0xFFFD;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    return value;
}

// The length of a reference body at `at` ("amp", "#38", "#x26"), up to but without ";", when one
// is there and ";" closes it; 0 otherwise.
std::size_t referenceBody(std::string_view s, std::size_t at) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    const auto isAlnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    std::size_t end = at;
    if (end < s.size() && s[end] == '#') {
        ++end;
        const bool hex = end < s.size() && (s[end] == 'x' || s[end] == 'X');
        if (hex)
            ++end;
        const std::size_t digits = end;
        while (end < s.size() && end - digits < 8 && (hex ? isHex(s[end]) : isDigit(s[end])))
            ++end;
        if (end == digits)
            return 0;
    } else {
        while (end < s.size() && end - at < 32 && isAlnum(s[end]))
            ++end;
        if (end == at)
            return 0;
    }
    return end < s.size() && s[end] == ';' ? end - at : 0;
}

std::string decodeReferences(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t at = 0; at < s.size();) {
        if (s[at] == '&') {
            if (const std::size_t n = referenceBody(s, at + 1)) {
                const std::string_view body = s.substr(at + 1, n);
                if (body[0] == '#') {
                    appendUtf8(out, numericReference(body));
                    at += n + 2;
                    continue;
                }
                if (const auto value = htmlEntity(body)) {
                    out += *value;
                    at += n + 2;
                    continue;
                }
            }
        }
        out += s[at++];
    }
    return out;
}

// Tags that break a line or a block stand for a space; the others join what they surround.
bool separates(std::string_view tag) {
    std::string name;
    for (char c : tag.substr(tag.starts_with("</") ? 2 : 1)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            break;
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    static constexpr std::array blocks{"br", "p",  "div", "li",         "ul", "ol", "hr",
                                       "tr", "td", "th",  "table",      "h1", "h2", "h3",
                                       "h4", "h5", "h6",  "blockquote", "dt", "dd"};
    for (const char* block : blocks)
        if (name == block)
            return true;
    return false;
}

// Removes tags and comments; a "<" that opens neither stays as text. No end is looked for past the
// last one in the text: a search for each of many unclosed openings would take quadratic time.
std::string withoutMarkup(std::string_view s) {
    const std::size_t lastClose = s.rfind('>');
    const std::size_t lastCommentClose = s.rfind("-->");
    std::string out;
    out.reserve(s.size());
    for (std::size_t at = 0; at < s.size();) {
        if (s[at] == '<' && s.substr(at).starts_with("<!--")) {
            const std::size_t end = lastCommentClose == std::string_view::npos || lastCommentClose < at + 4
                                        ? std::string_view::npos
                                        : s.find("-->", at + 4);
            if (end != std::string_view::npos) {
                at = end + 3;
                continue;
            }
        } else if (s[at] == '<' && at + 1 < s.size() &&
                   (std::isalpha(static_cast<unsigned char>(s[at + 1])) || s[at + 1] == '/' ||
                    s[at + 1] == '!' || s[at + 1] == '?')) {
            const std::size_t end = lastClose == std::string_view::npos || lastClose < at
                                        ? std::string_view::npos
                                        : s.find('>', at);
            if (end != std::string_view::npos) {
                if (separates(s.substr(at, end - at)))
                    out += ' ';
                at = end + 1;
                continue;
            }
        }
        out += s[at++];
    }
    return out;
}

// Collapses runs of white space (no-break space included) to one space, trims both ends, reads C1
// controls as windows-1252 and removes the other control characters.
std::string collapsed(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    bool space = false;
    for (std::size_t at = 0; at < s.size(); ++at) {
        const auto b = static_cast<unsigned char>(s[at]);
        const bool nbsp = b == 0xC2 && at + 1 < s.size() && static_cast<unsigned char>(s[at + 1]) == 0xA0;
        const bool c1 = b == 0xC2 && at + 1 < s.size() && static_cast<unsigned char>(s[at + 1]) >= 0x80 &&
                        static_cast<unsigned char>(s[at + 1]) <= 0x9F;
        if (b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '\f' || b == '\v' || nbsp) {
            space = !out.empty();
            at += nbsp ? 1 : 0;
            continue;
        }
        if (b < 0x20 || b == 0x7F || c1) {
            const char32_t windows = c1 ? Windows1252High[static_cast<unsigned char>(s[++at]) - 0x80] : 0;
            if (windows) {
                if (space)
                    out += ' ';
                space = false;
                appendUtf8(out, windows);
            }
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += s[at];
    }
    return out;
}

} // namespace

std::string plainText(std::string_view text, bool html) {
    if (!html)
        return collapsed(decodeReferences(text));
    return collapsed(decodeReferences(decodeReferences(withoutMarkup(text))));
}

std::optional<std::string> nonEmpty(std::string text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace brisma::server
