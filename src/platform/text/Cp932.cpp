#include "platform/text/Cp932.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <libxml/encoding.h>
#include <optional>
#include <stdexcept>

namespace brisma::text {
namespace {

// One conversion with glibc iconv. When a character cannot be converted, `skip` tells how many
// input bytes it spans and `replace` what is written in its place; the rest goes on.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { ::iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    template <typename Skip, typename Replace>
    std::string run(std::string_view input, Skip skip, Replace replace) {
        std::string out(input.size() * 2 + 16, '\0');
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t used = 0;
        while (inLeft > 0) {
            char* dst = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t rc = ::iconv(cd_, &in, &inLeft, &dst, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ (not convertible) or EINVAL (cut off at the end): replace and go on.
            const std::size_t n = std::min(inLeft, skip(std::string_view(in, inLeft)));
            const std::string replacement = replace(std::string_view(in, n));
            in += n;
            inLeft -= n;
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2);
            out.replace(used, replacement.size(), replacement);
            used += replacement.size();
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

// Bytes of a whole UTF-8 character that begins with `lead`; 1 for a byte that cannot begin one.
std::size_t utf8SequenceLength(unsigned char lead) {
    return lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
}

// Bytes of the UTF-8 character at the front; 1 for a byte that cannot start one.
std::size_t utf8CharLength(std::string_view s) {
    const std::size_t n = utf8SequenceLength(static_cast<unsigned char>(s.front()));
    for (std::size_t i = 1; i < n; ++i) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return i;
    }
    return n;
}

// "&#N;" for a whole UTF-8 character, "?" for bytes that are none (a character cut off included).
std::string characterReference(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes.front());
    const std::size_t n = bytes.size();
    if (n < 2 || n != utf8SequenceLength(lead) || n != utf8CharLength(bytes))
        return "?";
    unsigned long code = lead & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < n; ++i)
        code = (code << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    return "&#" + std::to_string(code) + ";";
}

bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool isTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// A lead byte with a proper trail byte is one unmapped character; anything else is one bad byte.
std::size_t cp932CharLength(std::string_view s) {
    if (s.size() >= 2 && isLeadByte(static_cast<unsigned char>(s[0])) &&
        isTrailByte(static_cast<unsigned char>(s[1])))
        return 2;
    return 1;
}

} // namespace

void installShiftJisAliases() {
    // libxml2 stores and looks up aliases upper-cased, so each label covers every spelling.
    for (const char* label : {"Shift_JIS", "SHIFT-JIS", "SJIS", "MS_Kanji", "x-sjis"})
        xmlAddEncodingAlias("CP932", label);
}

std::string toCp932(std::string_view utf8) {
    Converter conv("CP932", "UTF-8");
    return conv.run(utf8, utf8CharLength, [](std::string_view) { return std::string("?"); });
}

// Some characters convert to CP932 yet read back as another (U+301C WAVE DASH comes back as
// U+FF5E): only text that comes back itself is written as CP932. Lines are tried whole first, so
// only a line that does not come back goes character by character.
std::string toCp932Xml(std::string_view utf8) {
    Converter there("CP932", "UTF-8");
    Converter back("UTF-8", "CP932");
    const auto strict = [](Converter& conv, std::string_view input) -> std::optional<std::string> {
        bool failed = false;
        std::string out = conv.run(input, utf8CharLength, [&](std::string_view) {
            failed = true;
            return std::string();
        });
        return failed ? std::nullopt : std::optional(std::move(out));
    };
    const auto comesBack = [&](std::string_view text) -> std::optional<std::string> {
        auto bytes = strict(there, text);
        return bytes && strict(back, *bytes) == text ? bytes : std::nullopt;
    };
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t end = utf8.find('\n');
        const std::string_view line = end == std::string_view::npos ? utf8 : utf8.substr(0, end + 1);
        utf8.remove_prefix(line.size());
        if (const auto bytes = comesBack(line)) {
            out += *bytes;
            continue;
        }
        for (std::string_view rest = line; !rest.empty();) {
            const std::string_view character = rest.substr(0, utf8CharLength(rest));
            rest.remove_prefix(character.size());
            const auto bytes = comesBack(character);
            out += bytes ? *bytes : characterReference(character);
        }
    }
    return out;
}

std::string fromCp932(std::string_view cp932) {
    Converter conv("UTF-8", "CP932");
    return conv.run(cp932, cp932CharLength, [](std::string_view) { return std::string("\xEF\xBF\xBD"); });
}

std::size_t cp932Length(std::string_view utf8) {
    return toCp932(utf8).size();
}

} // namespace brisma::text
