#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisma::server {

// `xml` without its document type declaration: no DTD is read and no entity it declares is
// expanded, so neither files nor entity bombs can be reached. `hadSubset` tells whether it
// declared anything itself.
std::string withoutDocumentType(std::string_view xml, bool& hadSubset);

// `xml` (UTF-8) with what keeps it from being well-formed repaired, outside CDATA sections,
// comments and processing instructions: an "&" that starts no reference and a "<" that opens no
// markup are escaped, an HTML entity becomes its characters, references to characters XML cannot
// hold and such characters themselves are removed. A document that ends early, its elements
// nested as far as it goes, loses the unfinished tag or text at its end and has its open elements
// closed. Each kind of repair made is appended to `repairs` with its count.
std::string repairedXml(std::string_view xml, std::vector<std::string>& repairs);

} // namespace brisma::server
