#include "server/feeds/AtomFeed.h"

#include "server/feeds/FeedLink.h"
#include "server/feeds/PlainText.h"
#include "server/feeds/XmlDom.h"

namespace brisma::server {
namespace {

using namespace dom;

// Atom titles are text, html or xhtml by their type (Atom 0.3: a MIME type and a mode).
std::optional<std::string> atomTitle(const xmlNode* parent) {
    const xmlNode* n = ownChild(parent, "title");
    if (!n)
        return std::nullopt;
    const std::string type = attribute(n, "type").value_or("text");
    return nonEmpty(plainText(content(n), type == "html" || type == "text/html"));
}

// The alternate link first (rel missing or "alternate"), else the first link of any kind.
std::optional<std::string> atomLink(const xmlNode* parent, const std::string& address) {
    const xmlNode* alternate = nullptr;
    const xmlNode* first = nullptr;
    ownChildren(parent, "link", [&](const xmlNode* n) {
        if (!attribute(n, "href"))
            return true;
        first = first ? first : n;
        const std::string rel = attribute(n, "rel").value_or("alternate");
        alternate = rel == "alternate" ? n : nullptr;
        return alternate == nullptr;
    });
    const xmlNode* chosen = alternate ? alternate : first;
    if (!chosen)
        return std::nullopt;
    return absoluteLink(*attribute(chosen, "href"), baseOf(chosen, address));
}

} // namespace

Feed readAtom(const xmlNode* root, const std::string& address) {
    Feed feed;
    feed.title = atomTitle(root);
    feed.link = atomLink(root, address);
    ownChildren(root, "entry", [&](const xmlNode* entry) {
        FeedItem item;
        item.title = atomTitle(entry);
        item.link = atomLink(entry, address);
        item.date = dateOf(entry, {"published", "issued", "updated", "modified"});
        if (const xmlNode* id = ownChild(entry, "id"))
            item.key = trimmed(content(id));
        if (item.key.empty())
            item.key = item.link.value_or("");
        feed.items.push_back(std::move(item));
        return true;
    });
    return feed;
}

} // namespace brisma::server
