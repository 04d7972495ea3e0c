#include "server/feeds/XmlRepair.h"

#include "server/feeds/HtmlEntities.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

namespace brisma::server {
namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
}

bool isXmlCharacter(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The value of a numeric reference body ("#38", "#x26"); none when it is not one.
bool numericValue(std::string_view body, std::uint32_t& value) {
    const bool hex = body.size() > 2 && (body[1] == 'x');
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return false;
    value = 0;
    for (char c : digits) {
        const auto u = static_cast<unsigned char>(c);
        if (hex ? !std::isxdigit(u) : !std::isdigit(u))
            return false;
        value = value * (hex ? 16 : 10) +
                static_cast<std::uint32_t>(std::isdigit(u) ? c - '0' : std::tolower(u) - 'a' + 10);
    }
    return true;
}

// The characters an HTML entity stands for, as XML text: markup characters stay references.
std::string asXmlText(std::string_view characters) {
    if (characters == "<")
        return "&lt;";
    if (characters == ">")
        return "&gt;";
    if (characters == "&")
        return "&amp;";
    if (characters == "\"")
        return "&quot;";
    if (characters == "'")
        return "&apos;";
    return std::string(characters);
}

// Closes `xml` (every "<" in it opens markup) where it ends early: its elements nested as far as
// they go but the root never closed. What follows the last complete piece of markup, an unfinished
// tag or text, is dropped and the open elements are closed, innermost first. Anything else, such
// as end tags that close no open element, is left for the parser to report.
void closeEarlyEnd(std::string& xml, std::vector<std::string>& repairs) {
    std::vector<std::string_view> open;
    bool rootClosed = false;
    std::size_t complete = 0; // the end of the last complete piece of markup
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', complete)) {
        const std::string_view rest = std::string_view(xml).substr(at);
        std::size_t end = std::string::npos;
        if (rest.starts_with("<!--") || rest.starts_with("<![CDATA[") || rest.starts_with("<?")) {
            const std::string_view close = rest[1] == '?' ? "?>" : rest[2] == '-' ? "-->" : "]]>";
            end = xml.find(close, at + 2);
            end = end == std::string::npos ? end : end + close.size();
        } else if (rest.starts_with("</")) {
            end = xml.find('>', at);
            if (end != std::string::npos) {
                const std::size_t first = rest.find_first_not_of(" \t\r\n", 2);
                const std::size_t last = rest.find_last_not_of(" \t\r\n", end - at - 1);
                if (open.empty() || first > last || rest.substr(first, last + 1 - first) != open.back())
                    return;
                open.pop_back();
                rootClosed = open.empty();
                ++end;
            }
        } else {
            char quote = 0;
            for (std::size_t i = at + 1; i < xml.size() && end == std::string::npos; ++i)
                if (quote)
                    quote = xml[i] == quote ? '\0' : quote;
                else if (xml[i] == '"' || xml[i] == '\'')
                    quote = xml[i];
                else if (xml[i] == '>')
                    end = i;
            if (end != std::string::npos && rest[1] != '!' && xml[end - 1] != '/') {
                if (rootClosed)
                    return;
                open.push_back(rest.substr(1, std::min(rest.find_first_of(" \t\r\n/>"), end - at) - 1));
            }
            end = end == std::string::npos ? end : end + 1;
        }
        if (end == std::string::npos)
            break;
        complete = end;
    }
    if (open.empty())
        return;
    const std::size_t dropped = xml.find_first_not_of(" \t\r\n", complete);
    std::string repair = "ends early: ";
    if (dropped != std::string::npos)
        repair += xml[dropped] == '<' ? "an unfinished tag dropped and " : "unfinished text dropped and ";
    repairs.push_back(repair + std::to_string(open.size()) + " open elements closed");
    std::string closing;
    for (auto name = open.rbegin(); name != open.rend(); ++name)
        closing += "</" + std::string(*name) + ">";
    xml.replace(complete, std::string::npos, closing);
}

} // namespace

std::string withoutDocumentType(std::string_view xml, bool& hadSubset) {
    hadSubset = false;
    // The prolog: white space, the declaration, processing instructions and comments.
    std::size_t start = 0;
    for (;;) {
        start = xml.find_first_not_of(" \t\r\n", start);
        const bool pi = xml.substr(start == std::string_view::npos ? xml.size() : start).starts_with("<?");
        const bool comment =
            !pi && xml.substr(start == std::string_view::npos ? xml.size() : start).starts_with("<!--");
        if (!pi && !comment)
            break;
        const std::size_t end = xml.find(pi ? "?>" : "-->", start);
        if (end == std::string_view::npos)
            return std::string(xml);
        start = end + (pi ? 2 : 3);
    }
    if (start == std::string_view::npos || !xml.substr(start).starts_with("<!DOCTYPE"))
        return std::string(xml);
    // Walks to the ">" that closes it, past quoted text, the internal subset in brackets and the
    // comments and processing instructions in it, whose quotes and brackets are text.
    char quote = 0;
    int depth = 0;
    for (std::size_t at = start + 9; at < xml.size(); ++at) {
        const char c = xml[at];
        const std::string_view rest = xml.substr(at);
        if (quote) {
            quote = c == quote ? '\0' : quote;
        } else if (depth > 0 && (rest.starts_with("<!--") || rest.starts_with("<?"))) {
            const bool comment = rest.starts_with("<!--");
            const std::size_t end = xml.find(comment ? "-->" : "?>", at + (comment ? 4 : 2));
            if (end == std::string_view::npos)
                break;
            at = end + (comment ? 2 : 1);
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
            hadSubset = true;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            return std::string(xml.substr(0, start)) + std::string(xml.substr(at + 1));
        }
    }
    return std::string(xml); // unterminated: the parser says so
}

std::string repairedXml(std::string_view xml, std::vector<std::string>& repairs) {
    std::string out;
    out.reserve(xml.size() + xml.size() / 16);
    std::size_t ampersands = 0;
    std::size_t entities = 0;
    std::size_t characters = 0;
    std::size_t lessThans = 0;
    // Sections whose text is not markup: copied as they stand.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> verbatim{
        {{"<![CDATA[", "]]>"}, {"<!--", "-->"}, {"<?", "?>"}}};
    for (std::size_t at = 0; at < xml.size();) {
        const char c = xml[at];
        if (c == '<') {
            bool copied = false;
            for (const auto& [open, close] : verbatim) {
                if (!xml.substr(at).starts_with(open))
                    continue;
                const std::size_t end = xml.find(close, at + open.size());
                const std::size_t stop = end == std::string_view::npos ? xml.size() : end + close.size();
                out.append(xml.substr(at, stop - at));
                at = stop;
                copied = true;
                break;
            }
            if (copied)
                continue;
            // A "<" that can open no markup is text: "1 < 2".
            const char next = at + 1 < xml.size() ? xml[at + 1] : ' ';
            const bool opens = std::isalpha(static_cast<unsigned char>(next)) || next == '_' || next == ':' ||
                               next == '/' || next == '!' || static_cast<unsigned char>(next) >= 0x80;
            out += opens ? "<" : "&lt;";
            lessThans += opens ? 0 : 1;
            ++at;
            continue;
        }
        if (c == '&') {
            std::size_t end = at + 1;
            if (end < xml.size() && xml[end] == '#')
                ++end;
            while (end < xml.size() && end - at < 40 && isNameChar(xml[end]))
                ++end;
            const std::string_view body = xml.substr(at + 1, end - at - 1);
            const bool closed = end < xml.size() && xml[end] == ';' && !body.empty();
            std::uint32_t value = 0;
            if (closed && body[0] == '#' && numericValue(body, value)) {
                if (isXmlCharacter(value))
                    out.append(xml.substr(at, end + 1 - at));
                else
                    ++characters;
                at = end + 1;
                continue;
            }
            if (closed &&
                (body == "lt" || body == "gt" || body == "amp" || body == "quot" || body == "apos")) {
                out.append(xml.substr(at, end + 1 - at));
                at = end + 1;
                continue;
            }
            if (const auto html = closed ? htmlEntity(body) : std::nullopt) {
                out += asXmlText(*html);
                ++entities;
                at = end + 1;
                continue;
            }
            out += "&amp;";
            ++ampersands;
            ++at;
            continue;
        }
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            ++characters;
            ++at;
            continue;
        }
        // Plain text up to the next character that may need a repair, in one piece.
        std::size_t end = at + 1;
        while (end < xml.size() && xml[end] != '<' && xml[end] != '&' &&
               static_cast<unsigned char>(xml[end]) >= 0x20)
            ++end;
        out.append(xml.substr(at, end - at));
        at = end;
    }
    if (ampersands)
        repairs.push_back(std::to_string(ampersands) + " stray \"&\" escaped");
    if (lessThans)
        repairs.push_back(std::to_string(lessThans) + " stray \"<\" escaped");
    if (entities)
        repairs.push_back(std::to_string(entities) + " HTML entities replaced by their characters");
    if (characters)
        repairs.push_back(std::to_string(characters) + " characters XML cannot hold removed");
    closeEarlyEnd(out, repairs);
    return out;
}

} // namespace brisma::server
