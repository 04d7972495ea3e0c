#include "server/feeds/XmlFeed.h"

#include "server/feeds/FeedDate.h"
#include "server/feeds/FeedLink.h"
#include "server/feeds/PlainText.h"
#include "server/feeds/XmlRepair.h"

#include <climits>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>

namespace brisma::server {
namespace {

struct FreeDoc {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Document = std::unique_ptr<xmlDoc, FreeDoc>;

// Never loads a DTD or anything from the network, never substitutes entities, keeps libxml2's
// limits on depth and sizes, and reads the text as the UTF-8 it has become.
constexpr int ParseOptions = XML_PARSE_NONET | XML_PARSE_COMPACT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                             XML_PARSE_NOCDATA | XML_PARSE_IGNORE_ENC;

// The document, or none with libxml2's description of the first fault in `error`.
Document parse(std::string_view text, std::string& error) {
    if (text.size() > INT_MAX)
        throw FeedError("Document too large");
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                         xmlFreeParserCtxt);
    if (!context)
        throw std::bad_alloc();
    Document doc(xmlCtxtReadMemory(context.get(), text.data(), static_cast<int>(text.size()), nullptr,
                                   "UTF-8", ParseOptions));
    if (doc && context->wellFormed)
        return doc;
    const xmlError* fault = xmlCtxtGetLastError(context.get());
    error = fault && fault->message ? fault->message : "not well-formed";
    while (!error.empty() && error.back() == '\n')
        error.pop_back();
    if (fault)
        error += " (line " + std::to_string(fault->line) + ")";
    return nullptr;
}

std::string_view name(const xmlNode* node) {
    return reinterpret_cast<const char*>(node->name);
}

std::string_view namespaceOf(const xmlNode* node) {
    return node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string content(const xmlNode* node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

std::optional<std::string> attribute(const xmlNode* node, const char* key) {
    for (const xmlAttr* a = node->properties; a; a = a->next)
        if (std::strcmp(reinterpret_cast<const char*>(a->name), key) == 0) {
            xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
            std::string out = value ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
            return out;
        }
    return std::nullopt;
}

std::string trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

// The child elements of `parent` with local name `local` that belong to it: in its namespace or
// in none. Feeds get namespaces wrong, so the parent's, whatever it is, counts as the format's.
template <class Visit> void ownChildren(const xmlNode* parent, std::string_view local, Visit visit) {
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && name(n) == local &&
            (namespaceOf(n).empty() || namespaceOf(n) == namespaceOf(parent)))
            if (!visit(n))
                return;
}

const xmlNode* ownChild(const xmlNode* parent, std::string_view local) {
    const xmlNode* found = nullptr;
    ownChildren(parent, local, [&](const xmlNode* n) {
        found = n;
        return false;
    });
    return found;
}

// A Dublin Core element (dc:date, dc:title) of `parent`.
const xmlNode* dublinCore(const xmlNode* parent, std::string_view local) {
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && name(n) == local &&
            namespaceOf(n).find("purl.org/dc/") != std::string::npos)
            return n;
    return nullptr;
}

// The base of relative links inside `node`: the address, then every xml:base from the root down.
std::string baseOf(const xmlNode* node, const std::string& address) {
    std::vector<std::string> bases;
    for (const xmlNode* n = node; n && n->type == XML_ELEMENT_NODE; n = n->parent)
        if (xmlChar* b = xmlGetNsProp(n, BAD_CAST "base", XML_XML_NAMESPACE)) {
            bases.emplace_back(reinterpret_cast<const char*>(b));
            xmlFree(b);
        }
    std::string base = address;
    for (auto it = bases.rbegin(); it != bases.rend(); ++it)
        base = absoluteLink(*it, base).value_or(base);
    return base;
}

std::optional<std::string> dateText(const xmlNode* parent, std::initializer_list<std::string_view> names) {
    for (std::string_view local : names)
        if (const xmlNode* n = ownChild(parent, local))
            return content(n);
    if (const xmlNode* n = dublinCore(parent, "date"))
        return content(n);
    return std::nullopt;
}

std::optional<std::int64_t> date(const xmlNode* parent, std::initializer_list<std::string_view> names) {
    const auto text = dateText(parent, names);
    return text ? parseFeedDate(*text) : std::nullopt;
}

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
    out.date = date(item, {"pubDate"});
    if (guid)
        out.key = trimmed(content(guid));
    if (out.key.empty())
        out.key = trimmed(attribute(item, "about").value_or(""));
    if (out.key.empty())
        out.key = out.link.value_or("");
    return out;
}

// RSS 0.9x and 2.0 (root rss), RSS 1.0 and 0.90 (root RDF) and a bare channel: the items of the
// channel and of the root, in document order.
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

// Atom 1.0 and 0.3.
Feed readAtom(const xmlNode* root, const std::string& address) {
    Feed feed;
    feed.title = atomTitle(root);
    feed.link = atomLink(root, address);
    ownChildren(root, "entry", [&](const xmlNode* entry) {
        FeedItem item;
        item.title = atomTitle(entry);
        item.link = atomLink(entry, address);
        item.date = date(entry, {"published", "issued", "updated", "modified"});
        if (const xmlNode* id = ownChild(entry, "id"))
            item.key = trimmed(content(id));
        if (item.key.empty())
            item.key = item.link.value_or("");
        feed.items.push_back(std::move(item));
        return true;
    });
    return feed;
}

} // namespace

Feed readXmlFeed(std::string_view text, const std::string& address, std::vector<std::string>& notices) {
    bool declaredEntities = false;
    std::string source = withoutDocumentType(text, declaredEntities);
    if (declaredEntities)
        notices.push_back("Declarations of the document type ignored: no entity of a DTD is expanded");
    std::string error;
    Document doc = parse(source, error);
    if (!doc) {
        std::vector<std::string> repairs;
        source = repairedXml(source, repairs);
        if (repairs.empty())
            throw FeedError("Not well-formed: " + error);
        std::string line = "Not well-formed: " + error + "; read again after repairs:";
        for (std::size_t i = 0; i < repairs.size(); ++i)
            line += (i ? ", " : " ") + repairs[i];
        notices.push_back(line);
        doc = parse(source, error);
        if (!doc)
            throw FeedError("Not well-formed even after repairs: " + error);
    }
    // Reading expands every entity a document type declares: one that the walk above could not set
    // aside must not reach it.
    if (const xmlDtd* subset = xmlGetIntSubset(doc.get()); subset && subset->entities)
        throw FeedError("A document type declaring entities that could not be set aside");
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string_view kind = root ? name(root) : "";
    if (kind == "rss" || kind == "RDF" || kind == "channel")
        return readRss(root, address);
    if (kind == "feed")
        return readAtom(root, address);
    throw FeedError("No feed: the root element is <" + std::string(kind) + ">");
}

} // namespace brisma::server
