#include "server/feeds/XmlDom.h"

#include "server/feeds/Feed.h"
#include "server/feeds/FeedDate.h"
#include "server/feeds/FeedLink.h"

#include <climits>
#include <cstring>
#include <libxml/parser.h>
#include <vector>

namespace brisma::server::dom {
namespace {

// Never loads a DTD or anything from the network, never substitutes entities, keeps libxml2's
// limits on depth and sizes, and reads the text as the UTF-8 it has become.
constexpr int ParseOptions = XML_PARSE_NONET | XML_PARSE_COMPACT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                             XML_PARSE_NOCDATA | XML_PARSE_IGNORE_ENC;

} // namespace

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

const xmlNode* ownChild(const xmlNode* parent, std::string_view local) {
    const xmlNode* found = nullptr;
    ownChildren(parent, local, [&](const xmlNode* n) {
        found = n;
        return false;
    });
    return found;
}

const xmlNode* dublinCore(const xmlNode* parent, std::string_view local) {
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && name(n) == local &&
            namespaceOf(n).find("purl.org/dc/") != std::string::npos)
            return n;
    return nullptr;
}

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

std::optional<std::int64_t> dateOf(const xmlNode* parent, std::initializer_list<std::string_view> names) {
    const xmlNode* found = nullptr;
    for (auto local = names.begin(); local != names.end() && !found; ++local)
        found = ownChild(parent, *local);
    if (!found)
        found = dublinCore(parent, "date");
    return found ? parseFeedDate(content(found)) : std::nullopt;
}

} // namespace brisma::server::dom
