#pragma once

#include "server/model/ChannelEntry.h"

#include <cstdint>
#include <string>
#include <vector>

// The two documents a client reads of a channel: its entry in the channel list and its feed,
// in the client's format (declared Shift_JIS, CP932 bytes, character references for the rest).
namespace brisma::server {

struct Headline {
    std::string id; // 19 digits: channel (3), Japan-time minute YYYYMMDDhhmm, number in that minute (4)
    std::string title;
    std::string link;
};

// The channel list: one <channel kind="news"> per entry, in the given order.
std::string channelListDocument(const std::vector<ChannelEntry>& channels);

// A channel's feed: the headlines as given (newest first, already cut at count).
std::string channelFeedDocument(const ChannelEntry& channel, const std::vector<Headline>& headlines);

} // namespace brisma::server
