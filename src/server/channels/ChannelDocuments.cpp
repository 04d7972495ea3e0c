#include "server/channels/ChannelDocuments.h"

#include "common/EscapeXml.h"
#include "platform/text/Cp932.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace brisma::server {
namespace {

constexpr const char* Declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

std::string element(const char* name, std::string_view text) {
    return std::string("<") + name + ">" + escapeXML(text) + "</" + name + ">";
}

} // namespace

std::string channelListDocument(const std::vector<ChannelEntry>& channels) {
    std::string out = std::string(Declaration) + "<channellist>\r\n";
    for (const ChannelEntry& c : channels)
        out += "<channel kind=\"news\">" + element("number", std::to_string(c.number)) +
               element("name-JP", c.name) + element("type-JP", c.genre) + element("owner", c.owner) +
               element("count", std::to_string(c.count)) + element("hlid", c.feedAddress) +
               "<password></password></channel>\r\n";
    out += "</channellist>\r\n";
    return text::toCp932Xml(out);
}

std::string channelFeedDocument(const ChannelEntry& channel, const std::vector<Headline>& headlines) {
    // A namespace name may not be empty: without a base the feed's own address names it.
    const std::string& base = channel.base.empty() ? channel.feedAddress : channel.base;
    std::string out = std::string(Declaration) +
                      "<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\" "
                      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:brs=\"" +
                      escapeXML(base) + "\">\r\n";
    out += "<channel rdf:about=\"" + escapeXML(channel.feedAddress) + "\">" + element("title", channel.name) +
           element("link", base) + element("description", channel.owner) + "</channel>\r\n";
    for (const Headline& h : headlines)
        out += "<item rdf:about=\"" + escapeXML(h.link) + "\">" + element("brs:hlid", h.id) +
               element("brs:type", channel.type) + element("title", h.title) + element("link", h.link) +
               element("credit", channel.owner) + "</item>\r\n";
    out += "</rdf:RDF>\r\n";
    return text::toCp932Xml(out);
}

std::string headlineId(int channel, std::int64_t epochSeconds, int serial) {
    if (channel < 0 || channel > 999 || serial < 0 || serial > 9999)
        throw std::out_of_range("headline id of channel " + std::to_string(channel) + ", serial " +
                                std::to_string(serial));
    using namespace std::chrono;
    constexpr std::int64_t JapanOffset = std::int64_t{9} * 3600; // Japan keeps no summer time
    const sys_seconds japan{seconds{epochSeconds + JapanOffset}};
    const sys_days day = floor<days>(japan);
    const year_month_day date{day};
    const hh_mm_ss time{japan - day};
    char id[32];
    std::snprintf(id, sizeof id, "%03d%04d%02u%02u%02d%02d%04d", channel, static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()), serial);
    return id;
}

} // namespace brisma::server
