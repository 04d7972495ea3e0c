#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct _xmlNode;
struct _xmlDoc;

namespace brisma {

// A node of a loaded document. Names are qualified names, prefix included ("brs:hlid"); text
// nodes are "#text", comments "#comment", CDATA "#cdata-section". Whitespace-only text is not
// kept, so a child that is not an element is a comment or real text. A null node answers
// isNull(); walking from it gives null nodes, reading a value from it raises Object not set (91).
class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(_xmlNode* node) : node_(node) {}

    bool isNull() const { return node_ == nullptr; }
    bool isElement() const;
    std::string nodeName() const;
    // Text content of the whole subtree, UTF-8.
    std::string text() const;

    XmlNode firstChild() const;
    XmlNode lastChild() const;
    XmlNode nextSibling() const;

    // Value of the first attribute, whatever its name; nullopt when the element has none.
    std::optional<std::string> firstAttributeValue() const;
    // Every attribute as (qualified name, value), in document order; none for a non-element.
    std::vector<std::pair<std::string, std::string>> attributes() const;

    // First descendant element of that exact qualified name, in document order; null when none.
    XmlNode firstElementByTagName(std::string_view qname) const;
    // Text of that first descendant; raises Object not set (91) when there is none.
    std::string textOf(std::string_view qname) const;
    // Every descendant element of that name, in document order.
    std::vector<XmlNode> getElementsByTagName(std::string_view qname) const;

private:
    _xmlNode* node_ = nullptr;
};

// A DOM document on libxml2. A load that fails for any reason (missing file, no connection, a
// status outside 2xx, not well-formed, an encoding it cannot read, a DTD with entity declarations,
// external references) leaves an empty document and raises nothing. Nothing outside the given
// file or address is ever read.
class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(XmlDocument&&) noexcept;
    XmlDocument& operator=(XmlDocument&&) noexcept;

    static XmlDocument fromBytes(std::string_view bytes);
    static XmlDocument loadFile(const std::string& path);

    bool empty() const;
    // The serialisation (UTF-8); empty for an empty document.
    std::string xml() const;
    // Writes the parser's serialisation in the document's own encoding, replacing `path`
    // atomically. Raises a BrismaError when it cannot be written, or when the document is empty
    // (the previous file stays).
    void save(const std::string& path) const;

    XmlNode documentElement() const;
    std::vector<XmlNode> getElementsByTagName(std::string_view qname) const;

private:
    explicit XmlDocument(_xmlDoc* doc);
    _xmlDoc* doc_ = nullptr;
};

} // namespace brisma
