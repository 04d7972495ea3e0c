#include "common/Conversions.h"

#include "ErrorNumber.h"
#include "common/BrismaError.h"

#include <gtest/gtest.h>

namespace brisma {
namespace {

TEST(Conversions, IntegerConversionTrimsRoundsHalfToEvenAndChecksRange) {
    EXPECT_EQ(conv::CInt(" 12 "), 12);
    EXPECT_EQ(conv::CInt("-32768"), -32768);
    EXPECT_EQ(conv::CInt("2.5"), 2);
    EXPECT_EQ(conv::CInt("3.5"), 4);
    EXPECT_EQ(conv::CInt("-2.5"), -2);
    EXPECT_EQ(conv::CInt("1e2"), 100);
    EXPECT_EQ(conv::CLng("2147483647"), 2147483647);
    EXPECT_EQ(conv::CLng("-1"), -1);

    EXPECT_EQ(test::errorNumberOf([] { conv::CInt("32768"); }), err::Overflow);
    EXPECT_EQ(test::errorNumberOf([] { conv::CLng("2147483648"); }), err::Overflow);
    for (const char* bad : {"", " ", "abc", "12a", "0x10", "inf", "nan", "1e", "."})
        EXPECT_EQ(test::errorNumberOf([&] { conv::CInt(bad); }), err::TypeMismatch) << bad;
}

TEST(Conversions, BooleanWordsAndNumbers) {
    EXPECT_TRUE(conv::CBool("True"));
    EXPECT_TRUE(conv::CBool("true"));
    EXPECT_FALSE(conv::CBool(" FALSE "));
    EXPECT_TRUE(conv::CBool("-1"));
    EXPECT_FALSE(conv::CBool("0"));
    EXPECT_TRUE(conv::CBool("0.5"));
    EXPECT_EQ(test::errorNumberOf([] { conv::CBool("yes"); }), err::TypeMismatch);
    EXPECT_EQ(test::errorNumberOf([] { conv::CBool(""); }), err::TypeMismatch);
}

TEST(Conversions, DatesAndDayBoundaries) {
    const DateTime d = conv::CDate("2026/12/09");
    EXPECT_EQ(d.year, 2026);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 9);
    const DateTime t = conv::CDate("2026-1-5 23:59:58");
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 58);
    EXPECT_EQ(conv::CDate("2024/02/29").day, 29);

    for (const char* bad :
         {"", "2026/13/01", "2025/02/29", "2026/12", "tomorrow", "2026/12/09 25:00", "2026/12-09"})
        EXPECT_EQ(test::errorNumberOf([&] { conv::CDate(bad); }), err::TypeMismatch) << bad;

    // Day boundaries ignore the time of day.
    EXPECT_EQ(conv::DateDiffDays(conv::CDate("2026/12/08 23:59"), conv::CDate("2026/12/09 00:01")), 1);
    EXPECT_EQ(conv::DateDiffDays(conv::CDate("2026/12/09"), conv::CDate("2026/12/08 12:00")), -1);
    EXPECT_EQ(conv::DateDiffDays(conv::CDate("2024/02/28"), conv::CDate("2024/03/01")), 2);
    EXPECT_EQ(conv::DateDiffDays(conv::CDate("2026/12/31"), conv::CDate("2027/01/01")), 1);
}

TEST(Conversions, FormatsAndSlices) {
    EXPECT_EQ(conv::ZeroPad(7, 3), "007");
    EXPECT_EQ(conv::ZeroPad(1234, 3), "1234");
    EXPECT_EQ(conv::ZeroPad(0, 2), "00");
    EXPECT_EQ(conv::ZeroPad(-5, 3), "-005");
    EXPECT_EQ(conv::Left("ab", 3), "ab");
    EXPECT_EQ(conv::Left("abcdef", 3), "abc");
    EXPECT_EQ(conv::Right("abcdefghij", 8), "cdefghij");
    EXPECT_EQ(conv::Right("abc", 8), "abc");
}

} // namespace
} // namespace brisma
