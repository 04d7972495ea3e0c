#include "server/model/AddressRange.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstring>

namespace brisma::server {
namespace {

constexpr std::array<std::uint8_t, 12> kMapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

bool mapped(const IpAddress& address) {
    return std::equal(kMapped.begin(), kMapped.end(), address.begin());
}

} // namespace

std::optional<IpAddress> parseIpAddress(std::string_view text) {
    const std::string copy(text);
    IpAddress address{};
    in_addr v4{};
    if (inet_pton(AF_INET, copy.c_str(), &v4) == 1) {
        std::copy(kMapped.begin(), kMapped.end(), address.begin());
        std::memcpy(address.data() + 12, &v4, 4);
        return address;
    }
    if (inet_pton(AF_INET6, copy.c_str(), address.data()) == 1)
        return address;
    return std::nullopt;
}

std::string formatIpAddress(const IpAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (mapped(address))
        inet_ntop(AF_INET, address.data() + 12, text, sizeof text);
    else
        inet_ntop(AF_INET6, address.data(), text, sizeof text);
    return text;
}

std::optional<AddressRange> AddressRange::parse(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::optional<IpAddress> base = parseIpAddress(text.substr(0, slash));
    if (!base)
        return std::nullopt;
    AddressRange range;
    range.base_ = *base;
    if (slash != std::string_view::npos) {
        const std::string_view digits = text.substr(slash + 1);
        unsigned bits = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bits);
        const unsigned most = mapped(*base) ? 32 : 128;
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || bits > most)
            return std::nullopt;
        range.bits_ = bits + (128 - most);
    }
    return range;
}

bool AddressRange::contains(const IpAddress& address) const {
    for (unsigned bit = 0; bit < bits_; ++bit) {
        const unsigned byte = bit / 8;
        const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        if ((address[byte] & mask) != (base_[byte] & mask))
            return false;
    }
    return true;
}

} // namespace brisma::server
