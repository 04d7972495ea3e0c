#include "common/VbConv.h"

#include "ErrorNumber.h"
#include "common/BrismaError.h"

#include <gtest/gtest.h>

namespace brisma {
namespace {

TEST(VbConv, IntegerConversionTrimsRoundsHalfToEvenAndChecksRange) {
    EXPECT_EQ(vb::CInt(" 12 "), 12);
    EXPECT_EQ(vb::CInt("-32768"), -32768);
    EXPECT_EQ(vb::CInt("2.5"), 2);
    EXPECT_EQ(vb::CInt("3.5"), 4);
    EXPECT_EQ(vb::CInt("-2.5"), -2);
    EXPECT_EQ(vb::CInt("1e2"), 100);
    EXPECT_EQ(vb::CLng("2147483647"), 2147483647);
    EXPECT_EQ(vb::CLng("-1"), -1);

    EXPECT_EQ(test::errorNumberOf([] { vb::CInt("32768"); }), err::Overflow);
    EXPECT_EQ(test::errorNumberOf([] { vb::CLng("2147483648"); }), err::Overflow);
    for (const char* bad : {"", " ", "abc", "12a", "0x10", "inf", "nan", "1e", "."})
        EXPECT_EQ(test::errorNumberOf([&] { vb::CInt(bad); }), err::TypeMismatch) << bad;
}

TEST(VbConv, BooleanWordsAndNumbers) {
    EXPECT_TRUE(vb::CBool("True"));
    EXPECT_TRUE(vb::CBool("true"));
    EXPECT_FALSE(vb::CBool(" FALSE "));
    EXPECT_TRUE(vb::CBool("-1"));
    EXPECT_FALSE(vb::CBool("0"));
    EXPECT_TRUE(vb::CBool("0.5"));
    EXPECT_EQ(test::errorNumberOf([] { vb::CBool("yes"); }), err::TypeMismatch);
    EXPECT_EQ(test::errorNumberOf([] { vb::CBool(""); }), err::TypeMismatch);
}

TEST(VbConv, DatesAndDayBoundaries) {
    const DateTime d = vb::CDate("2026/12/09");
    EXPECT_EQ(d.year, 2026);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 9);
    const DateTime t = vb::CDate("2026-1-5 23:59:58");
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 58);
    EXPECT_EQ(vb::CDate("2024/02/29").day, 29);

    for (const char* bad :
         {"", "2026/13/01", "2025/02/29", "2026/12", "tomorrow", "2026/12/09 25:00", "2026/12-09"})
        EXPECT_EQ(test::errorNumberOf([&] { vb::CDate(bad); }), err::TypeMismatch) << bad;

    // Day boundaries ignore the time of day.
    EXPECT_EQ(vb::DateDiffDays(vb::CDate("2026/12/08 23:59"), vb::CDate("2026/12/09 00:01")), 1);
    EXPECT_EQ(vb::DateDiffDays(vb::CDate("2026/12/09"), vb::CDate("2026/12/08 12:00")), -1);
    EXPECT_EQ(vb::DateDiffDays(vb::CDate("2024/02/28"), vb::CDate("2024/03/01")), 2);
    EXPECT_EQ(vb::DateDiffDays(vb::CDate("2026/12/31"), vb::CDate("2027/01/01")), 1);
}

TEST(VbConv, FormatsAndSlices) {
    EXPECT_EQ(vb::ZeroPad(7, 3), "007");
    EXPECT_EQ(vb::ZeroPad(1234, 3), "1234");
    EXPECT_EQ(vb::ZeroPad(0, 2), "00");
    EXPECT_EQ(vb::ZeroPad(-5, 3), "-005");
    EXPECT_EQ(vb::Left("ab", 3), "ab");
    EXPECT_EQ(vb::Left("abcdef", 3), "abc");
    EXPECT_EQ(vb::Right("abcdefghij", 8), "cdefghij");
    EXPECT_EQ(vb::Right("abc", 8), "abc");
}

} // namespace
} // namespace brisma
