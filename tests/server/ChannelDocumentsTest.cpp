#include "server/channels/ChannelDocuments.h"

#include "server/channels/HeadlineMerge.h"
#include "server/model/HeadlineId.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brisma::server {
namespace {

std::string expected(const char* name) {
    std::ifstream in(std::filesystem::path(BRISMA_TEST_DATA) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string Base = "http://127.0.0.1:18080/";

// Shift_JIS declared, CP932 bytes, escapes, and references for what CP932 cannot hold (an emoji,
// U+301C, which CP932 would read back as U+FF5E).
TEST(ChannelDocuments, AreTheClientsFormatByteForByte) {
    const ChannelEntry news{1,     "総合ニュース",         "総合", "Brisma デモ", 10,
                            "all", Base + "feeds/001.xml", Base};
    const ChannelEntry tech{123,  "Café & <Tech>",        "IT", "Ops \"Team\"", 20,
                            "it", Base + "feeds/123.xml", Base};
    EXPECT_EQ(channelListDocument({news, tech}), expected("channel-list.xml"));
    EXPECT_EQ(channelFeedDocument(
                  news, {{"0012026120918300001", "東京で初雪 😀 ～ 〜", "https://news.example.jp/a?x=1&y=2"},
                         {"0012026120918150002", "①② 髙", "https://news.example.jp/b"}}),
              expected("channel-feed.xml"));
}

TEST(HeadlineId, IsTheChannelTheJapanMinuteAndTheFreeSerial) {
    const FreeSerial first = [](const std::string&) { return 1; };
    EXPECT_EQ(makeHeadlineId(5, 1796828399, first), "0052026120923590001");   // 14:59:59 UTC
    EXPECT_EQ(makeHeadlineId(123, 1796828400, first), "1232026121000000001"); // 15:00 UTC: the next day
    EXPECT_EQ(makeHeadlineId(0, 0, [](const std::string&) { return 9999; }), "0001970010109009999");
    EXPECT_THROW(makeHeadlineId(1000, 0, first), std::out_of_range);
}

TEST(HeadlineId, AFullMinuteLendsTheNextMinutesSerials) {
    std::vector<std::string> asked;
    const FreeSerial lastMinuteFull = [&](const std::string& prefix) {
        asked.push_back(prefix);
        return prefix == "005202612092359" ? 0 : 2;
    };
    // The last minute of a day is full: the id comes from the first minute of the next.
    EXPECT_EQ(makeHeadlineId(5, 1796828399, lastMinuteFull), "0052026121000000002");
    EXPECT_EQ(asked, (std::vector<std::string>{"005202612092359", "005202612100000"}));
}

TEST(HeadlineId, PublicationTimeFallsBackToFirstSeenForMissingAndFutureDates) {
    const std::int64_t now = 2'000'000'000;
    const std::int64_t firstSeen = now - 3600;
    EXPECT_EQ(publicationTime(now - 86400, firstSeen, now), now - 86400);
    EXPECT_EQ(publicationTime(now + 600, firstSeen, now), now + 600); // ten minutes of clock skew allowed
    EXPECT_EQ(publicationTime(now + 601, firstSeen, now), firstSeen);
    EXPECT_EQ(publicationTime(std::nullopt, firstSeen, now), firstSeen);
}

TEST(MergedHeadlines, AreNewestFirstOnceEachAndCutAtCount) {
    const auto h = [](const char* key, std::int64_t time, const char* id) {
        return SourcedHeadline{
            key, time, {id, std::string("title ") + id, "https://e.example/" + std::string(id)}};
    };
    const std::vector<SourcedHeadline> sources{
        h("a", 100, "0010000000000000001"),
        h("b", 300, "0010000000000000003"),
        h("c", 200, "0010000000000000002"),
        h("b", 300, "0010000000000000003"), // the same item from a second source
        h("d", 300, "0010000000000000004"),
        h("e", 50, "0010000000000000005"),
    };
    std::vector<std::string> ids;
    for (const Headline& headline : mergedHeadlines(sources, 4))
        ids.push_back(headline.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"0010000000000000004", "0010000000000000003",
                                             "0010000000000000002", "0010000000000000001"}));
}

} // namespace
} // namespace brisma::server
