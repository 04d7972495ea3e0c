#pragma once

#include "platform/xml/XmlDocument.h"

#include <string>

namespace brisma {

class HttpTransport;

// GET through `http`, parsed; a request that fails or is answered outside 2xx gives an empty
// document.
XmlDocument loadXmlFromUrl(HttpTransport& http, const std::string& url);

} // namespace brisma
