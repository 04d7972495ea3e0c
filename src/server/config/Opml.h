#pragma once

#include "server/config/ServerConfig.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The channels and their sources as OPML 2.0, the feed list other readers import and export; and
// an OPML file's feeds as channel tables of the configuration.
namespace brisma::server {

// One outline per channel (its name as text) holding an outline per source: type "rss" and its
// xmlUrl (a file source as a file: address). UTF-8.
std::string opmlOfChannels(const std::vector<ChannelConfig>& channels);

struct OpmlChannel {
    std::string name;
    std::vector<std::string> sources; // http(s) addresses, or absolute paths of file: addresses
};

// The channels of an OPML file: one per outline that holds feeds (its own feeds, not those of
// outlines inside it), one per feed outside any outline, in document order. Feeds of any other
// scheme are left out, each with a line in `notices`. Raises std::runtime_error for a file that is
// no OPML.
std::vector<OpmlChannel> channelsOfOpml(std::string_view bytes, std::vector<std::string>& notices);

// `[[channel]]` tables numbered from `firstNumber`, for appending to a configuration. Raises
// std::out_of_range when a number would pass 899.
std::string channelTables(const std::vector<OpmlChannel>& channels, int firstNumber);

} // namespace brisma::server
