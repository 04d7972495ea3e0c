#include "server/feeds/Feed.h"

#include "server/feeds/Charset.h"
#include "server/feeds/JsonFeed.h"
#include "server/feeds/XmlFeed.h"

namespace brisma::server {

Feed readFeed(const FeedInput& input, std::vector<std::string>& notices) {
    const std::string text = feedTextAsUtf8(input.body, input.httpCharset, notices);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '{')
        return readJsonFeed(text, input.address);
    return readXmlFeed(text, input.address, notices);
}

} // namespace brisma::server
