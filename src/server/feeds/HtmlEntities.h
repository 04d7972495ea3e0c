#pragma once

#include <optional>
#include <string_view>

namespace brisma::server {

// The characters (UTF-8) of the HTML named character reference `name` (without "&" and ";"),
// read without any document type; none for a name HTML does not define.
std::optional<std::string_view> htmlEntity(std::string_view name);

} // namespace brisma::server
