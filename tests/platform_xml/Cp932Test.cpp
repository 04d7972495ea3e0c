#include "platform/text/Cp932.h"

#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace brisma::text;

TEST(Cp932, RoundTripKeepsWindowsCharactersAndHalfWidthKatakana) {
    const std::string utf8 = "A①～ｱｲｳﾞ漢字";
    const std::string cp932 = "A\x87\x40\x81\x60\xB1\xB2\xB3\xDE\x8A\xBF\x8E\x9A";
    EXPECT_EQ(toCp932(utf8), cp932);
    EXPECT_EQ(fromCp932(cp932), utf8);
    // Long half-width text grows threefold on the way back.
    const std::string kana(10000, '\xB1');
    EXPECT_EQ(toCp932(fromCp932(kana)), kana);
}

TEST(Cp932, UnconvertibleInputIsReplacedOneCharacterAtATime) {
    EXPECT_EQ(toCp932("a😀b한c\xFF"
                      "d"),
              "a?b?c?d");
    EXPECT_EQ(toCp932("x\xE6\xBC"), "x?"); // cut off inside a character
    // Unmapped pair, lone bytes outside CP932, a lead byte with a bad trail, a cut-off lead.
    EXPECT_EQ(fromCp932("\x85\x40"
                        "a\x80"
                        "b\xFF"
                        "c\x81"
                        "9d\x81"),
              "\uFFFD"
              "a\uFFFD"
              "b\uFFFD"
              "c\uFFFD"
              "9d\uFFFD");
}

TEST(Cp932, XmlTextKeepsWhatCp932LacksAsCharacterReferences) {
    EXPECT_EQ(toCp932Xml("Caf\u00e9 😀 ①"), "Caf&#233; &#128512; \x87\x40");
    EXPECT_EQ(toCp932Xml("a\xFF"
                         "b"),
              "a?b"); // a byte that is no character stays "?"
    EXPECT_EQ(toCp932Xml("x\xE6\xBC"
                         "a\xE6\xBC"),
              "x?a?"); // so does a character cut off
    // These convert, but read back as U+FF5E, U+FF0D, U+2015 and "\\".
    EXPECT_EQ(toCp932Xml("\u301C\u2212\u2014\u00A5"), "&#12316;&#8722;&#8212;&#165;");
}

TEST(Cp932, EveryCharacterWrittenAsXmlReadsBackAsItWas) {
    // Each character of the Basic Multilingual Plane that XML allows, in an element of its own.
    std::vector<std::string> characters;
    std::string text;
    for (char32_t c = 0xA0; c <= 0xFFFD; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string utf8;
        if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
        characters.push_back(utf8);
        text += "<c>" + utf8 + "</c>";
    }
    const auto doc = brisma::XmlDocument::fromBytes("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>" +
                                                    toCp932Xml(text) + "</a>");
    const auto read = doc.getElementsByTagName("c");
    ASSERT_EQ(read.size(), characters.size());
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < read.size(); ++i)
        if (read[i].text() != characters[i])
            changed.push_back(characters[i] + " -> " + read[i].text());
    EXPECT_EQ(changed, std::vector<std::string>{});
}

TEST(Cp932, Cp932LengthCountsCp932Bytes) {
    EXPECT_EQ(cp932Length(""), 0u);
    EXPECT_EQ(cp932Length("abc"), 3u);
    EXPECT_EQ(cp932Length("漢字①"), 6u);
    EXPECT_EQ(cp932Length("ｱｲｳ"), 3u);
    EXPECT_EQ(cp932Length("a😀"), 2u);
}
