#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(toCp932Xml("a\xFF" "b"), "a?b"); // a byte that is no character stays "?"
}

TEST(Cp932, AnsiLengthCountsCp932Bytes) {
    EXPECT_EQ(ansiLength(""), 0u);
    EXPECT_EQ(ansiLength("abc"), 3u);
    EXPECT_EQ(ansiLength("漢字①"), 6u);
    EXPECT_EQ(ansiLength("ｱｲｳ"), 3u);
    EXPECT_EQ(ansiLength("a😀"), 2u);
}
