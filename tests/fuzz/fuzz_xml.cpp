// libFuzzer target for the XML reader: any bytes, from the server or from disk, must parse or
// read as empty, and every node of what was read must be walkable.
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void walk(const brisma::XmlNode& first) {
    for (brisma::XmlNode n = first; !n.isNull(); n = n.nextSibling()) {
        const std::string name = n.nodeName();
        (void)n.text();
        (void)n.firstAttributeValue();
        if (n.isElement()) {
            (void)n.lastChild();
            (void)n.getElementsByTagName(name);
            walk(n.firstChild());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    brisma::text::installShiftJisAliases();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto doc =
        brisma::XmlDocument::fromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    walk(doc.documentElement());
    (void)doc.getElementsByTagName("brs:hlid");
    (void)doc.xml();
    return 0;
}
