#include "server/channels/ChannelDocuments.h"

#include "common/EscapeXml.h"
#include "platform/text/Cp932.h"

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

} // namespace brisma::server
