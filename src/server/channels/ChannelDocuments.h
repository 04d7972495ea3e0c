#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The two documents a client reads of a channel: its entry in the channel list and its feed,
// in the client's format (declared Shift_JIS, CP932 bytes, character references for the rest).
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

struct Headline {
    std::string id; // 19 digits: channel (3), Japan-time minute YYYYMMDDhhmm, number in that minute (4)
    std::string title;
    std::string link;
};

// The channel list: one <channel kind="news"> per entry, in the given order.
std::string channelListDocument(const std::vector<ChannelEntry>& channels);

// A channel's feed: the headlines as given (newest first, already cut at count).
std::string channelFeedDocument(const ChannelEntry& channel, const std::vector<Headline>& headlines);

// A headline id: channel number in three digits, the minute of `epochSeconds` in Japan time,
// `serial` in four digits. Raises std::out_of_range for a channel or serial that do not fit.
std::string headlineId(int channel, std::int64_t epochSeconds, int serial);

} // namespace brisma::server
