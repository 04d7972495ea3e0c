#include "platform/http/XmlFromUrl.h"

#include "platform/http/HttpTransport.h"
#include "platform/log/ErrorLog.h"

namespace brisma {

XmlDocument loadXmlFromUrl(HttpTransport& http, const std::string& url) {
    HttpResponse response;
    try {
        response = http.getResponse(url);
    } catch (const std::exception& e) {
        logDropped("a document that cannot be fetched reads as empty", e.what());
        return {};
    }
    // An error page is no document, however well-formed it is.
    if (response.status < 200 || response.status > 299)
        return {};
    return XmlDocument::fromBytes(response.body);
}

} // namespace brisma
