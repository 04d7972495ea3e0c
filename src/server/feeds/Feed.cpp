#include "server/feeds/Feed.h"

#include "server/feeds/AtomFeed.h"
#include "server/feeds/Charset.h"
#include "server/feeds/JsonFeed.h"
#include "server/feeds/RssFeed.h"
#include "server/feeds/XmlDom.h"
#include "server/feeds/XmlRepair.h"

namespace brisma::server {
namespace {

// The XML document of `text` without its document type; one that is not well-formed is repaired
// and read again, with a notice.
dom::Document xmlDocument(std::string_view text, std::vector<std::string>& notices) {
    bool declaredEntities = false;
    std::string source = withoutDocumentType(text, declaredEntities);
    if (declaredEntities)
        notices.push_back("Declarations of the document type ignored: no entity of a DTD is expanded");
    std::string error;
    dom::Document doc = dom::parse(source, error);
    if (!doc) {
        std::vector<std::string> repairs;
        source = repairedXml(source, repairs);
        if (repairs.empty())
            throw FeedError("Not well-formed: " + error);
        std::string line = "Not well-formed: " + error + "; read again after repairs:";
        for (std::size_t i = 0; i < repairs.size(); ++i)
            line += (i ? ", " : " ") + repairs[i];
        notices.push_back(line);
        doc = dom::parse(source, error);
        if (!doc)
            throw FeedError("Not well-formed even after repairs: " + error);
    }
    // Reading expands every entity a document type declares: one that the walk above could not set
    // aside must not reach it.
    if (const xmlDtd* subset = xmlGetIntSubset(doc.get()); subset && subset->entities)
        throw FeedError("A document type declaring entities that could not be set aside");
    return doc;
}

} // namespace

// The format is the root element's local name, or JSON by its leading "{".
Feed readFeed(const FeedInput& input, std::vector<std::string>& notices) {
    const std::string text = feedTextAsUtf8(input.body, input.httpCharset, notices);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '{')
        return readJsonFeed(text, input.address);
    const dom::Document doc = xmlDocument(text, notices);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string_view kind = root ? dom::name(root) : "";
    if (kind == "rss" || kind == "RDF" || kind == "channel")
        return readRss(root, input.address);
    if (kind == "feed")
        return readAtom(root, input.address);
    throw FeedError("No feed: the root element is <" + std::string(kind) + ">");
}

} // namespace brisma::server
