#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// An IP address or a CIDR range of them, IPv4 and IPv6 alike: an IPv4 address is held as its
// IPv6-mapped form (::ffff:a.b.c.d), so a peer reached over a dual-stack socket matches too.
namespace brisma::server {

using IpAddress = std::array<std::uint8_t, 16>;

// None when `text` is no IPv4 or IPv6 address.
std::optional<IpAddress> parseIpAddress(std::string_view text);
// The address as text, IPv4 in dotted form.
std::string formatIpAddress(const IpAddress& address);

class AddressRange {
public:
    // "192.0.2.1", "10.0.0.0/8", "2001:db8::/32"; none when it is no such thing.
    static std::optional<AddressRange> parse(std::string_view text);
    bool contains(const IpAddress& address) const;
    bool operator==(const AddressRange&) const = default;

private:
    IpAddress base_{};
    unsigned bits_ = 128; // of the mapped form
};

} // namespace brisma::server
