// libFuzzer target for the request reader: any request target is read or refused with
// RequestRefused, and what is read holds no control character, only valid UTF-8, and digits
// where a report needs them.
#include "server/intake/ReportRequest.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool isClean(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const auto b = static_cast<unsigned char>(s[at]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        if (n == 0 || at + n > s.size() || b < 0x20 || b == 0x7F)
            return false;
        for (std::size_t i = 1; i < n; ++i)
            if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80)
                return false;
        at += n;
    }
    return true;
}

bool isDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view target(reinterpret_cast<const char*>(data), size);
    try {
        const brisma::server::Request request = brisma::server::readRequest(target);
        if (target.size() > 8 * 1024 || !isClean(request.path))
            std::abort();
        for (const auto& [key, value] : request.query) {
            if (!isClean(key) || (value && !isClean(*value)))
                std::abort();
            if (request.route == brisma::server::Route::Report && value &&
                (key == "id" || key == "channel" || key == "date" || key == "time") && !isDigits(*value))
                std::abort();
        }
    } catch (const brisma::server::RequestRefused&) {
    }
    return 0;
}
