#include "server/config/Opml.h"

#include "common/EscapeXml.h"
#include "server/feeds/Charset.h"
#include "server/feeds/XmlDom.h"

#include <QUrl>
#include <cstdio>

namespace brisma::server {
namespace {

constexpr int MaxChannel = 899;

std::string fileAddress(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

std::string textOf(const xmlNode* outline) {
    for (const char* key : {"text", "title"})
        if (auto value = dom::attribute(outline, key); value && !dom::trimmed(*value).empty())
            return dom::trimmed(*value);
    return {};
}

bool isOutline(const xmlNode* n) {
    return n->type == XML_ELEMENT_NODE && dom::name(n) == "outline";
}

// A feed's source, or none (with a notice) for an address the server cannot fetch.
std::optional<std::string> sourceOf(const std::string& address, std::vector<std::string>& notices) {
    if (address.starts_with("http://") || address.starts_with("https://"))
        return address;
    const QUrl url(QString::fromStdString(address));
    if (url.isLocalFile())
        return url.toLocalFile().toStdString();
    notices.push_back("left out, neither http nor https: " + address);
    return std::nullopt;
}

void collect(const xmlNode* parent, bool inGroup, std::vector<OpmlChannel>& out,
             std::vector<std::string>& notices) {
    OpmlChannel group{textOf(parent), {}};
    const std::size_t at = out.size(); // a group's channel comes before those of groups inside it
    for (const xmlNode* n = parent->children; n; n = n->next) {
        if (!isOutline(n))
            continue;
        const auto address = dom::attribute(n, "xmlUrl");
        if (!address) {
            collect(n, true, out, notices);
            continue;
        }
        const auto source = sourceOf(dom::trimmed(*address), notices);
        if (!source)
            continue;
        if (inGroup)
            group.sources.push_back(*source);
        else
            out.push_back({textOf(n).empty() ? *source : textOf(n), {*source}});
    }
    if (!group.sources.empty()) {
        if (group.name.empty())
            group.name = group.sources.front();
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), std::move(group));
    }
}

// A TOML basic string.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

std::string opmlOfChannels(const std::vector<ChannelConfig>& channels) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n"
                      "  <head><title>brisma-server</title></head>\n  <body>\n";
    for (const ChannelConfig& channel : channels) {
        out += "    <outline text=\"" + escapeXML(channel.entry.name) + "\">\n";
        for (const std::string& source : channel.sources) {
            const std::string address = source.starts_with("/") ? fileAddress(source) : source;
            out += "      <outline type=\"rss\" text=\"" + escapeXML(address) + "\" xmlUrl=\"" +
                   escapeXML(address) + "\"/>\n";
        }
        out += "    </outline>\n";
    }
    return out + "  </body>\n</opml>\n";
}

std::vector<OpmlChannel> channelsOfOpml(std::string_view bytes, std::vector<std::string>& notices) {
    std::string error;
    const dom::Document doc = dom::parse(feedTextAsUtf8(bytes, "", notices), error);
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || dom::name(root) != "opml")
        throw std::runtime_error(doc ? "no OPML: the root element is not <opml>" : "no OPML: " + error);
    std::vector<OpmlChannel> channels;
    for (const xmlNode* n = root->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && dom::name(n) == "body")
            collect(n, false, channels, notices);
    return channels;
}

std::string channelTables(const std::vector<OpmlChannel>& channels, int firstNumber) {
    std::string out;
    int number = firstNumber;
    for (const OpmlChannel& channel : channels) {
        if (number > MaxChannel)
            throw std::out_of_range("channel numbers from " + std::to_string(firstNumber) + " pass " +
                                    std::to_string(MaxChannel) + " at " + channel.name);
        out += (out.empty() ? "" : "\n") + std::string("[[channel]]\nnumber = ") + std::to_string(number++) +
               "\nname = " + quoted(channel.name) + "\nsources = [";
        for (std::size_t i = 0; i < channel.sources.size(); ++i)
            out += (i ? ", " : "") + quoted(channel.sources[i]);
        out += "]\n";
    }
    return out;
}

} // namespace brisma::server
