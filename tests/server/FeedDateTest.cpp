#include "server/feeds/FeedDate.h"

#include <gtest/gtest.h>
#include <string>

namespace brisma::server {
namespace {

// Spellings of one instant, 2026-12-09 09:30:00 UTC, as feeds write it.
TEST(FeedDate, ReadsEverySpellingOfOneInstant) {
    const std::optional<std::int64_t> instant = parseFeedDate("2026-12-09T09:30:00Z");
    ASSERT_TRUE(instant);
    EXPECT_EQ(*instant % 86400, 9 * 3600 + 30 * 60);
    EXPECT_EQ(parseFeedDate("1970-01-02"), 86400);
    for (const char* text : {
             "Wed, 09 Dec 2026 18:30:00 +0900",
             "Wed, 09 Dec 2026 18:30:00 JST",
             "09 Dec 2026 09:30 GMT",
             "Wed, 9 Dec 2026 09:30:00 UT",
             "Wed, 09 Dec 26 04:30:00 EST",
             "Wed, 09 Dec 2026 01:30:00 PST",
             "Wed, 09 December 2026 18:30:00 +0900 (JST)",
             "wed, 09 dec 2026 09:30:00 z",
             "Wed, 09 Dec 2026 09:30:00 A",
             "2026-12-09T18:30:00+09:00",
             "2026-12-09T18:30+09:00",
             "2026-12-09 09:30:00",
             "2026-12-09T09:30:00.250Z",
             "  2026-12-09T04:30:00-0500  ",
         })
        EXPECT_EQ(parseFeedDate(text), instant) << text;
}

TEST(FeedDate, LeavesUnreadableDatesUnread) {
    for (const char* text :
         {"", "yesterday", "Wed, 32 Dec 2026 09:30:00 GMT", "2026-02-30", "2026-12-09T25:00:00Z",
          "Wed, 09 Foo 2026 09:30:00 GMT", "Wed, 09 Dec 2026 09:30:00 XYZ", "2026-12-09T09:30:00+9",
          "2026-12-09T09:30:00Z trailing", "1969-12-31T23:59:59Z"})
        EXPECT_EQ(parseFeedDate(text), std::nullopt) << text;
}

} // namespace
} // namespace brisma::server
