// libFuzzer target for the feed reader: any bytes from a source, under any charset label, must
// read as a feed or raise FeedError, and what is read must be valid UTF-8 with absolute links.
#include "server/feeds/Feed.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::array<const char*, 6> Labels{"", "utf-8", "Shift_JIS", "euc-jp", "iso-8859-1", "gb2312"};

bool isUtf8(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const auto b = static_cast<unsigned char>(s[at]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        if (n == 0 || at + n > s.size())
            return false;
        for (std::size_t i = 1; i < n; ++i)
            if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80)
                return false;
        at += n;
    }
    return true;
}

void check(const std::optional<std::string>& text) {
    if (text && !isUtf8(*text))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> notices;
    try {
        const brisma::server::Feed feed = brisma::server::readFeed(
            {bytes, Labels[data[0] % Labels.size()], "https://feeds.example.jp/dir/feed.xml"}, notices);
        check(feed.title);
        for (const auto& item : feed.items) {
            check(item.title);
            if (item.link && !item.link->starts_with("http://") && !item.link->starts_with("https://"))
                std::abort();
        }
    } catch (const brisma::server::FeedError&) {
    }
    return 0;
}
