#pragma once

#include <string>

// A channel as the configuration books it and the client's channel list shows it.
namespace brisma::server {

struct ChannelEntry {
    int number = 0; // 1..899
    std::string name;
    std::string genre;
    std::string owner;
    int count = 10;
    std::string type = "all"; // category code of its headlines
    std::string feedAddress;  // absolute address of its feed on the server's base
    std::string base;         // the server's public base: the brs namespace and the channel's link
};

} // namespace brisma::server
