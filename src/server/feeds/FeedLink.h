#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisma::server {

// `href` (trimmed) resolved against `base`: the absolute address when it is http or https with a
// host, none otherwise. Also builds a base from an enclosing xml:base.
std::optional<std::string> absoluteLink(std::string_view href, std::string_view base);

} // namespace brisma::server
