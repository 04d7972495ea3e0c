#include "server/feeds/Charset.h"

#include "platform/text/Cp932.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <optional>

namespace brisma::server {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Length of the UTF-8 sequence at `at` when it is well-formed (shortest form, no surrogates,
// at most U+10FFFF); 0 otherwise.
std::size_t utf8SequenceAt(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = byte(at);
    if (b < 0x80)
        return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (at + n > s.size() || byte(at + 1) < lo || byte(at + 1) > hi)
        return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return n;
}

bool isUtf8(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = utf8SequenceAt(s, at);
        if (n == 0)
            return false;
        at += n;
    }
    return true;
}

// `s` without the UTF-8 sequence its end cuts short, if any: a copy cut short may end inside a
// character.
std::string_view withoutCutSequence(std::string_view s) {
    for (std::size_t back = 1; back <= 3 && back <= s.size(); ++back) {
        const auto b = static_cast<unsigned char>(s[s.size() - back]);
        if (b < 0x80)
            return s;
        if (b >= 0xC0) {
            const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            return length > back ? s.substr(0, s.size() - back) : s;
        }
    }
    return s;
}

// UTF-8 with every byte that starts no well-formed sequence replaced by U+FFFD.
std::string repairedUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = utf8SequenceAt(s, at);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
        } else {
            out.append(s.substr(at, n));
            at += n;
        }
    }
    return out;
}

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

// Whether `label` is a plain name ("euc-jp", "windows-1252"). iconv also takes names with
// suffixes ("latin1//x") and blanks, without end, and each would keep a converter open.
bool isPlainName(const std::string& label) {
    return !label.empty() && label.size() <= 40 && std::ranges::all_of(label, [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':';
    });
}

// A converter from `from` to UTF-8, kept open for the thread's life: opening one loads its
// conversion module and closing the last one unloads it again, which costs more than a feed.
iconv_t converterFrom(const std::string& from) {
    if (!isPlainName(from))
        return NoConverter;
    struct Open {
        std::map<std::string, iconv_t> byLabel; // only plain names iconv knows: a bounded set
        ~Open() {
            for (const auto& entry : byLabel)
                iconv_close(entry.second);
        }
    };
    thread_local Open open;
    if (const auto it = open.byLabel.find(from); it != open.byLabel.end())
        return it->second;
    const iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd != NoConverter)
        open.byLabel.emplace(from, cd);
    return cd;
}

std::optional<std::string> throughIconv(std::string_view bytes, const std::string& from) {
    const iconv_t cd = converterFrom(from);
    if (cd == NoConverter)
        return std::nullopt;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // the initial shift state
    std::string out;
    char* in = const_cast<char*>(bytes.data()); // iconv's signature; the input is not written
    std::size_t inLeft = bytes.size();
    std::array<char, 16384> buffer{};
    bool ok = true;
    while (ok && inLeft > 0) {
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        const std::size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(buffer.data(), buffer.size() - toLeft);
        if (r == static_cast<std::size_t>(-1) && errno == EINVAL)
            break; // a character the end of the input cuts short: the text ends before it
        ok = r != static_cast<std::size_t>(-1) || errno == E2BIG;
    }
    if (ok) { // the shift state of a stateful encoding ends here
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        ok = iconv(cd, nullptr, nullptr, &to, &toLeft) != static_cast<std::size_t>(-1);
        out.append(buffer.data(), buffer.size() - toLeft);
    }
    if (!ok)
        return std::nullopt;
    return out;
}

bool isCp932Label(const std::string& label) {
    static constexpr std::array names{"shift_jis",   "shift-jis", "sjis",       "x-sjis", "ms_kanji",
                                      "windows-31j", "cp932",     "csshiftjis", "ms932"};
    return std::ranges::find(names, label) != names.end();
}

// Single-byte labels: ASCII, the ISO 8859 family and the Windows code pages 125x.
bool isSingleByteLabel(const std::string& label) {
    return label == "us-ascii" || label == "ascii" || label == "latin1" || label.starts_with("iso-8859-") ||
           label.starts_with("iso8859-") || label.starts_with("windows-125") || label.starts_with("cp125");
}

std::optional<std::string> decode(std::string_view bytes, const std::string& label) {
    if (label == "utf-8" || label == "utf8") {
        if (!isUtf8(withoutCutSequence(bytes)))
            return std::nullopt;
        return std::string(withoutCutSequence(bytes));
    }
    if (isCp932Label(label)) {
        // CP932 holds no U+FFFD: one in the result marks bytes that are not CP932, or the first
        // byte of a character the end cuts short.
        for (const std::string_view copy : {bytes, bytes.substr(0, bytes.empty() ? 0 : bytes.size() - 1)})
            if (std::string text = text::fromCp932(copy); text.find("\xEF\xBF\xBD") == std::string::npos)
                return text;
        return std::nullopt;
    }
    // Labels that name a narrower set than the one servers actually send.
    if (label == "gb2312" || label == "gbk" || label == "x-gbk")
        return throughIconv(bytes, "GB18030");
    if (label == "us-ascii" || label == "ascii" || label == "iso-8859-1" || label == "latin1")
        return throughIconv(bytes, "WINDOWS-1252");
    return throughIconv(bytes, label);
}

// The encoding the XML declaration names; empty when there is none.
std::string declaredEncoding(std::string_view text) {
    if (!text.starts_with("<?xml"))
        return {};
    const std::size_t end = text.find("?>");
    const std::string_view decl = text.substr(0, end);
    const std::size_t key = decl.find("encoding");
    if (key == std::string_view::npos)
        return {};
    std::size_t at = decl.find_first_of("\"'", key);
    if (at == std::string_view::npos)
        return {};
    const std::size_t close = decl.find(decl[at], at + 1);
    if (close == std::string_view::npos)
        return {};
    return lower(decl.substr(at + 1, close - at - 1));
}

bool hasNonAscii(std::string_view s) {
    return std::ranges::any_of(s, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

std::string feedTextAsUtf8(std::string_view body, std::string_view httpCharset,
                           std::vector<std::string>& notices) {
    if (body.starts_with("\xEF\xBB\xBF")) {
        if (auto text = decode(body.substr(3), "utf-8"))
            return *text;
    } else if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
        if (auto text = throughIconv(body.substr(2), body[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE"))
            return *text;
    }
    const std::string http = lower(httpCharset);
    const std::string declared = declaredEncoding(body);
    const std::string& label = http.empty() ? declared : http;
    const std::string_view utf8 = withoutCutSequence(body);
    if (isSingleByteLabel(label) && hasNonAscii(utf8) && isUtf8(utf8))
        return std::string(utf8);
    for (const std::string& candidate : {http, declared}) {
        if (candidate.empty())
            continue;
        if (auto text = decode(body, candidate))
            return *text;
        notices.push_back("Not readable as " + candidate + ": tried the next label");
    }
    if (isUtf8(utf8))
        return std::string(utf8);
    notices.push_back("Not valid UTF-8: bytes that are not were replaced by U+FFFD");
    return repairedUtf8(body);
}

} // namespace brisma::server
