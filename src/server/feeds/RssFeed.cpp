#include "server/feeds/RssFeed.h"

#include "server/feeds/FeedLink.h"
#include "server/feeds/PlainText.h"
#include "server/feeds/XmlDom.h"

namespace brisma::server {
namespace {

using namespace dom;

// RSS and RDF titles are HTML, escaped or in CDATA.
std::optional<std::string> rssTitle(const xmlNode* parent) {
    const xmlNode* n = ownChild(parent, "title");
    if (!n)
        n = dublinCore(parent, "title");
    if (!n)
        return std::nullopt;
    return nonEmpty(plainText(content(n), true));
}

std::optional<std::string> rssLink(const xmlNode* parent, const std::string& address) {
    const xmlNode* n = ownChild(parent, "link");
    if (!n)
        return std::nullopt;
    const std::string href = trimmed(content(n));
    return absoluteLink(href.empty() ? attribute(n, "href").value_or("") : href, baseOf(n, address));
}

FeedItem rssItem(const xmlNode* item, const std::string& address) {
    FeedItem out;
    out.title = rssTitle(item);
    out.link = rssLink(item, address);
    const xmlNode* guid = ownChild(item, "guid");
    if (!out.link && guid && attribute(guid, "isPermaLink").value_or("true") != "false")
        out.link = absoluteLink(trimmed(content(guid)), baseOf(guid, address));
    out.date = dateOf(item, {"pubDate"});
    if (guid)
        out.key = trimmed(content(guid));
    if (out.key.empty())
        out.key = trimmed(attribute(item, "about").value_or(""));
    if (out.key.empty())
        out.key = out.link.value_or("");
    return out;
}

} // namespace

Feed readRss(const xmlNode* root, const std::string& address) {
    const xmlNode* channel = name(root) == "channel" ? root : nullptr;
    for (const xmlNode* n = root->children; n && !channel; n = n->next)
        if (n->type == XML_ELEMENT_NODE &&
            name(n) == "channel") // RSS 1.0's is in another namespace than its root
            channel = n;
    Feed feed;
    if (channel) {
        feed.title = rssTitle(channel);
        feed.link = rssLink(channel, address);
        if (const xmlNode* ttl = ownChild(channel, "ttl")) {
            const std::string minutes = trimmed(content(ttl));
            if (!minutes.empty() && minutes.size() < 7 &&
                minutes.find_first_not_of("0123456789") == std::string::npos)
                feed.ttlSeconds = std::stoll(minutes) * 60;
        }
    }
    const auto take = [&](const xmlNode* item) {
        feed.items.push_back(rssItem(item, address));
        return true;
    };
    for (const xmlNode* n = root->children; n; n = n->next) {
        if (n == channel)
            ownChildren(channel, "item", take);
        else if (n->type == XML_ELEMENT_NODE && name(n) == "item")
            take(n);
    }
    return feed;
}

} // namespace brisma::server
