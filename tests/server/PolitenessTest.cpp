// When a source is asked again: what its answer asked for, read from the forms servers send,
// within the operator's bounds.
#include "server/sources/Politeness.h"

#include "server/sources/SourceFetch.h"

#include <gtest/gtest.h>
#include <limits>

namespace brisma::server {
namespace {

using std::chrono::seconds;

constexpr std::int64_t Now = 1'765'000'000; // any fixed moment

TEST(PolitenessTest, HttpDatesInAllThreeForms) {
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(parseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), 784111777);
    EXPECT_EQ(parseHttpDate("Sun Nov  6 08:49:37 1994"), 784111777);
    EXPECT_EQ(parseHttpDate("0"), std::nullopt);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT trailing"), std::nullopt);
}

TEST(PolitenessTest, WhatAnAnswerAsksFor) {
    EXPECT_EQ(askedWait(200, {{"cache-control", "public, max-age=900, must-revalidate"}}, 60, Now),
              seconds(900));
    EXPECT_EQ(askedWait(200, {{"Cache-Control", "s-maxage=5"}}, 60, Now),
              seconds(60)); // not max-age: the ttl
    EXPECT_EQ(askedWait(200, {{"Cache-Control", "no-cache, MAX-AGE = \"600\""}}, 60, Now), seconds(600));
    // A source's header of any length is read without exhausting the stack.
    EXPECT_EQ(askedWait(200, {{"Cache-Control", "max-age" + std::string(200'000, ' ') + "=7"}}, 60, Now),
              seconds(7));
    // Expires counts from the answer's own Date, so a wrong server clock does not matter.
    EXPECT_EQ(
        askedWait(200,
                  {{"Date", "Sun, 06 Nov 1994 08:49:37 GMT"}, {"Expires", "Sun, 06 Nov 1994 09:19:37 GMT"}},
                  std::nullopt, Now),
        seconds(1800));
    EXPECT_EQ(askedWait(200, {{"Expires", "0"}}, 600, Now), seconds(0));
    EXPECT_EQ(askedWait(304, {}, 3600, Now), seconds(3600)); // the feed's ttl
    EXPECT_EQ(askedWait(200, {}, std::nullopt, Now), std::nullopt);
    EXPECT_EQ(askedWait(429, {{"Retry-After", " 120 "}, {"Cache-Control", "max-age=5"}}, 60, Now),
              seconds(120));
    EXPECT_EQ(askedWait(503, {{"Retry-After", "Sun, 06 Nov 1994 08:49:37 GMT"}}, 60, 784111777 - 300),
              seconds(300));
    EXPECT_EQ(askedWait(500, {{"Retry-After", "120"}}, std::nullopt, Now), std::nullopt);
}

TEST(PolitenessTest, BackOffDoublesWithinTheBounds) {
    const Intervals bounds{seconds(300), seconds(3600)};
    EXPECT_EQ(nextWait(0, std::nullopt, bounds), seconds(300));
    EXPECT_EQ(nextWait(0, seconds(60), bounds), seconds(300)); // never sooner than min
    EXPECT_EQ(nextWait(0, seconds(900), bounds), seconds(900));
    EXPECT_EQ(nextWait(0, seconds(86400), bounds), seconds(3600)); // never later than max
    EXPECT_EQ(nextWait(1, std::nullopt, bounds), seconds(300));
    EXPECT_EQ(nextWait(3, std::nullopt, bounds), seconds(1200));
    EXPECT_EQ(nextWait(30, std::nullopt, bounds), seconds(3600));
    // However long it fails, a source is asked again, at max at the latest.
    EXPECT_EQ(nextWait(std::numeric_limits<int>::max(), std::nullopt, bounds), seconds(3600));
    EXPECT_EQ(nextWait(5, std::nullopt, {seconds(3600), seconds(3600)}), seconds(3600));
    EXPECT_EQ(nextWait(2, seconds(1800), bounds), seconds(1800));
}

// One request at a time goes to a host: its name, whatever the scheme, port or user.
TEST(PolitenessTest, AHostIsItsLowerCaseName) {
    EXPECT_EQ(hostOf("HTTPS://user:pw@News.Example.JP:8443/feed?x=1"), "news.example.jp");
    EXPECT_EQ(hostOf("http://news.example.jp#top"), "news.example.jp");
    EXPECT_EQ(hostOf("http://[::1]:8080/feed"), "[::1]");
    EXPECT_EQ(hostOf("/srv/feeds/local.xml"), "file");
}

} // namespace
} // namespace brisma::server
