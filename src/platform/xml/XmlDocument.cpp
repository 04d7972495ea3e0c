#include "platform/xml/XmlDocument.h"

#include "common/BrismaError.h"
#include "platform/fs/FileSystem.h"
#include "platform/log/ErrorLog.h"

#include <climits>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <mutex>

namespace brisma {
namespace {

void ensureParser() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        // Documents are always parsed from memory: nothing may make libxml2 open a file or an
        // address on its own.
        xmlSetExternalEntityLoader(
            [](const char*, const char*, xmlParserCtxtPtr) -> xmlParserInputPtr { return nullptr; });
    });
}

void ignoreStructured(void*, xmlErrorPtr) {}
void ignoreGeneric(void*, const char*, ...) {}

// libxml2 writes its diagnostics to stderr unless told otherwise; encoding and save errors do not
// go through the parser context, so the thread's handlers are switched for the whole operation.
class SilentErrors {
public:
    SilentErrors()
        : structured_(xmlStructuredError), structuredCtx_(xmlStructuredErrorContext),
          generic_(xmlGenericError), genericCtx_(xmlGenericErrorContext) {
        xmlSetStructuredErrorFunc(nullptr, ignoreStructured);
        xmlSetGenericErrorFunc(nullptr, ignoreGeneric);
    }
    ~SilentErrors() {
        xmlSetStructuredErrorFunc(structuredCtx_, structured_);
        xmlSetGenericErrorFunc(genericCtx_, generic_);
    }
    SilentErrors(const SilentErrors&) = delete;
    SilentErrors& operator=(const SilentErrors&) = delete;

private:
    xmlStructuredErrorFunc structured_;
    void* structuredCtx_;
    xmlGenericErrorFunc generic_;
    void* genericCtx_;
};

// Entities are refused outright: a document that declares one or names an external subset is not
// read at all (a reference to an undeclared entity is an error already). Stopping at the first
// declaration keeps entity expansion, and its memory, from ever starting.
struct Refusal {
    bool refused = false;
};

void refuse(void* ctx) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    static_cast<Refusal*>(ctxt->_private)->refused = true;
    xmlStopParser(ctxt);
}

void onEntityDecl(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    refuse(ctx);
}
void onUnparsedEntityDecl(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*) {
    refuse(ctx);
}
void onInternalSubset(void* ctx, const xmlChar* name, const xmlChar* externalId, const xmlChar* systemId) {
    if (externalId || systemId)
        refuse(ctx);
    else
        xmlSAX2InternalSubset(ctx, name, externalId, systemId);
}

bool isElementNode(const xmlNode* n) {
    return n->type == XML_ELEMENT_NODE;
}

// The next node after `n` in document order without leaving the subtree of `top`.
xmlNode* nextInTree(xmlNode* n, const xmlNode* top) {
    if ((isElementNode(n) || n->type == XML_DOCUMENT_NODE) && n->children)
        return n->children;
    while (n != top) {
        if (n->next)
            return n->next;
        n = n->parent;
    }
    return nullptr;
}

bool isWhitespaceOnly(const xmlChar* s) {
    for (; s && *s; ++s) {
        if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n')
            return false;
    }
    return true;
}

// The parser keeps some whitespace-only text (an element holding nothing else, for one); the
// callers rely on every non-element child being a comment or real text.
void dropWhitespaceText(xmlDoc* doc) {
    xmlNode* top = reinterpret_cast<xmlNode*>(doc);
    for (xmlNode* n = top; n;) {
        xmlNode* next = nextInTree(n, top);
        if (n->type == XML_TEXT_NODE && isWhitespaceOnly(n->content)) {
            xmlUnlinkNode(n);
            xmlFreeNode(n);
        }
        n = next;
    }
}

bool hasQName(const xmlNode* n, std::string_view qname) {
    if (!isElementNode(n))
        return false;
    const std::string_view local = reinterpret_cast<const char*>(n->name);
    if (!n->ns || !n->ns->prefix)
        return local == qname;
    const std::string_view prefix = reinterpret_cast<const char*>(n->ns->prefix);
    return qname.size() == prefix.size() + 1 + local.size() && qname.substr(0, prefix.size()) == prefix &&
           qname[prefix.size()] == ':' && qname.substr(prefix.size() + 1) == local;
}

// Descendants of `top` named `qname`, in document order; only the first when `firstOnly`.
std::vector<XmlNode> findElements(xmlNode* top, std::string_view qname, bool firstOnly) {
    std::vector<XmlNode> found;
    if (!top)
        return found;
    for (xmlNode* n = nextInTree(top, top); n; n = nextInTree(n, top)) {
        if (hasQName(n, qname)) {
            found.emplace_back(n);
            if (firstOnly)
                break;
        }
    }
    return found;
}

std::string asString(const xmlChar* s) {
    return s ? reinterpret_cast<const char*>(s) : "";
}

// The serialisation in `encoding`; nullopt when libxml2 cannot produce it.
std::optional<std::string> serialise(xmlDoc* doc, const char* encoding) {
    SilentErrors silent;
    xmlChar* mem = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &mem, &size, encoding);
    if (!mem)
        return std::nullopt;
    std::string bytes(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(size));
    xmlFree(mem);
    return bytes;
}

} // namespace

bool XmlNode::isElement() const {
    return node_ && isElementNode(node_);
}

std::string XmlNode::nodeName() const {
    if (!node_)
        raise(err::ObjectNotSet);
    switch (node_->type) {
    case XML_ELEMENT_NODE:
        if (node_->ns && node_->ns->prefix)
            return asString(node_->ns->prefix) + ":" + asString(node_->name);
        return asString(node_->name);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_PI_NODE:
        return asString(node_->name);
    default:
        return "";
    }
}

std::string XmlNode::text() const {
    if (!node_)
        raise(err::ObjectNotSet);
    if (!isElementNode(node_))
        return asString(node_->content);
    std::string out;
    for (xmlNode* n = nextInTree(node_, node_); n; n = nextInTree(n, node_)) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE)
            out += asString(n->content);
    }
    return out;
}

XmlNode XmlNode::firstChild() const {
    return XmlNode(isElement() ? node_->children : nullptr);
}

XmlNode XmlNode::lastChild() const {
    return XmlNode(isElement() ? node_->last : nullptr);
}

XmlNode XmlNode::nextSibling() const {
    return XmlNode(node_ ? node_->next : nullptr);
}

std::optional<std::string> XmlNode::firstAttributeValue() const {
    if (!node_)
        raise(err::ObjectNotSet);
    if (!isElement() || !node_->properties)
        return std::nullopt;
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNode*>(node_->properties));
    std::string result = asString(value);
    xmlFree(value);
    return result;
}

std::vector<std::pair<std::string, std::string>> XmlNode::attributes() const {
    if (!node_)
        raise(err::ObjectNotSet);
    std::vector<std::pair<std::string, std::string>> result;
    if (!isElement())
        return result;
    for (xmlAttr* attr = node_->properties; attr; attr = attr->next) {
        std::string name = asString(attr->name);
        if (attr->ns && attr->ns->prefix)
            name = asString(attr->ns->prefix) + ":" + name;
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNode*>(attr));
        result.emplace_back(std::move(name), asString(value));
        xmlFree(value);
    }
    return result;
}

XmlNode XmlNode::firstElementByTagName(std::string_view qname) const {
    const auto found = findElements(node_, qname, true);
    return found.empty() ? XmlNode() : found.front();
}

std::string XmlNode::textOf(std::string_view qname) const {
    const XmlNode element = firstElementByTagName(qname);
    if (element.isNull())
        raise(err::ObjectNotSet);
    return element.text();
}

std::vector<XmlNode> XmlNode::getElementsByTagName(std::string_view qname) const {
    return findElements(node_, qname, false);
}

XmlDocument::XmlDocument() = default;

XmlDocument::XmlDocument(_xmlDoc* doc) : doc_(doc) {}

XmlDocument::~XmlDocument() {
    if (doc_)
        xmlFreeDoc(doc_);
}

XmlDocument::XmlDocument(XmlDocument&& other) noexcept : doc_(other.doc_) {
    other.doc_ = nullptr;
}

XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept {
    if (this != &other) {
        if (doc_)
            xmlFreeDoc(doc_);
        doc_ = other.doc_;
        other.doc_ = nullptr;
    }
    return *this;
}

XmlDocument XmlDocument::fromBytes(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX))
        return {};
    ensureParser();
    SilentErrors silent;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return {};
    Refusal refusal;
    ctxt->_private = &refusal;
    ctxt->sax->serror = ignoreStructured;
    ctxt->sax->entityDecl = onEntityDecl;
    ctxt->sax->unparsedEntityDecl = onUnparsedEntityDecl;
    ctxt->sax->internalSubset = onInternalSubset;
    // Never XML_PARSE_RECOVER (it cuts text silently) nor any option that loads or expands a DTD.
    xmlDoc* doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                    XML_PARSE_NONET);
    const bool ok = doc && ctxt->wellFormed && !refusal.refused;
    xmlFreeParserCtxt(ctxt);
    if (!ok) {
        if (doc)
            xmlFreeDoc(doc);
        return {};
    }
    dropWhitespaceText(doc);
    return XmlDocument(doc);
}

XmlDocument XmlDocument::loadFile(const std::string& path) {
    std::string bytes;
    try {
        bytes = fs::readFile(path);
    } catch (const std::exception& e) {
        logDropped("an unreadable file reads as an empty document", e.what());
        return {};
    }
    return fromBytes(bytes);
}

bool XmlDocument::empty() const {
    return doc_ == nullptr;
}

std::string XmlDocument::xml() const {
    if (!doc_)
        return "";
    return serialise(doc_, "UTF-8").value_or("");
}

void XmlDocument::save(const std::string& path) const {
    // A failed load must not wipe the copy of the last good one.
    if (!doc_)
        throw BrismaError(err::InvalidArgument,
                          errorDescription(err::InvalidArgument) + ": " + path + " (nothing was loaded)");
    // A document without a declared encoding is UTF-8; naming it keeps libxml2 from writing
    // every non-ASCII character as a character reference.
    const char* encoding = doc_->encoding ? reinterpret_cast<const char*>(doc_->encoding) : "UTF-8";
    const auto serialised = serialise(doc_, encoding);
    if (!serialised)
        throw BrismaError(err::PathFileAccess,
                          errorDescription(err::PathFileAccess) + ": " + path + " (cannot serialise)");
    fs::writeFileAtomic(path, *serialised);
}

XmlNode XmlDocument::documentElement() const {
    return XmlNode(doc_ ? xmlDocGetRootElement(doc_) : nullptr);
}

std::vector<XmlNode> XmlDocument::getElementsByTagName(std::string_view qname) const {
    return findElements(reinterpret_cast<xmlNode*>(doc_), qname, false);
}

} // namespace brisma
