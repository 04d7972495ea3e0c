#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The program holds UTF-8; files and documents labelled Shift_JIS are CP932 on disk and on the
// wire (the servers and files that use the label write CP932).
namespace brisma::text {

// Makes libxml2 read and write the labels Shift_JIS, SHIFT-JIS, SJIS, MS_Kanji and x-sjis as
// CP932. Call once, before any thread starts.
void installShiftJisAliases();

// UTF-8 to CP932; a character CP932 cannot hold is written as "?".
std::string toCp932(std::string_view utf8);

// The same for XML text the system writes itself: a character CP932 cannot hold, or holds only as
// another character (U+301C reads back as U+FF5E), is written as its character reference
// ("&#233;"), so it reads back as it was. Other text is converted as toCp932 converts it.
std::string toCp932Xml(std::string_view utf8);

// CP932 to UTF-8; a byte sequence that is not CP932 becomes U+FFFD.
std::string fromCp932(std::string_view cp932);

// Length in bytes of the text in CP932, the code page of the system's files: 1 per single-byte, 2 per
// double-byte character (half-width katakana count 1; characters CP932 lacks count as their "?").
std::size_t cp932Length(std::string_view utf8);

} // namespace brisma::text
