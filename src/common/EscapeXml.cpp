#include "common/EscapeXml.h"

namespace brisma {

std::string escapeXML(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        // A raw CR would read back as LF.
        case '\r':
            out += "&#13;";
            break;
        default:
            // Characters XML cannot carry at all (control characters other than tab and line
            // feed, U+FFFE and U+FFFF) are left out: they would make the whole file unreadable,
            // and with it the profile or the log.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
                break;
            if (text.substr(i, 3) == "\xEF\xBF\xBE" || text.substr(i, 3) == "\xEF\xBF\xBF") {
                i += 2;
                break;
            }
            out += c;
        }
    }
    return out;
}

} // namespace brisma
