#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisma::server {

// A title as the bar shows it. `html` text loses its markup (tags and comments) and its character
// references (every HTML name, decimal and hexadecimal) are decoded. Then references left in the
// text are decoded once more: they are entities a source escaped twice. Control characters are
// removed and white space collapsed.
std::string plainText(std::string_view text, bool html);

// `text`, or none when it is empty: a title with no text is no title.
std::optional<std::string> nonEmpty(std::string text);

} // namespace brisma::server
