#pragma once

#include <cstdint>
#include <initializer_list>
#include <libxml/tree.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What the XML readers need of libxml2's tree: parsing, names, text and the links' base.
namespace brisma::server::dom {

struct FreeDoc {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Document = std::unique_ptr<xmlDoc, FreeDoc>;

// The document (UTF-8 text, whatever its declaration says), or none with libxml2's description of
// the first fault in `error`. Never loads a DTD or anything from the network and never
// substitutes entities. Raises FeedError for text beyond libxml2's sizes.
Document parse(std::string_view text, std::string& error);

std::string_view name(const xmlNode* node); // the local name
std::string_view namespaceOf(const xmlNode* node);
std::string content(const xmlNode* node); // all text inside, entities as they stand
std::optional<std::string> attribute(const xmlNode* node, const char* key);
std::string trimmed(std::string_view s);

// The child elements of `parent` with local name `local` that belong to it: in its namespace or
// in none. Feeds get namespaces wrong, so the parent's, whatever it is, counts as the format's.
// Stops when `visit` returns false.
template <class Visit> void ownChildren(const xmlNode* parent, std::string_view local, Visit visit) {
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && name(n) == local &&
            (namespaceOf(n).empty() || namespaceOf(n) == namespaceOf(parent)))
            if (!visit(n))
                return;
}

const xmlNode* ownChild(const xmlNode* parent, std::string_view local);

// A Dublin Core element (dc:date, dc:title) of `parent`.
const xmlNode* dublinCore(const xmlNode* parent, std::string_view local);

// The base of relative links inside `node`: the address, then every xml:base from the root down.
std::string baseOf(const xmlNode* node, const std::string& address);

// The date of the first own child named in `names`, else of dc:date.
std::optional<std::int64_t> dateOf(const xmlNode* parent, std::initializer_list<std::string_view> names);

} // namespace brisma::server::dom
