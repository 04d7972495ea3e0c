#include "bar/TickerRotation.h"

#include "RecordingErrors.h"
#include "bar/TickerLane.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaNewsList.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <vector>

namespace brisma::test {
namespace {

std::string headlineId(int k) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "00520261208%08d", k);
    return buf;
}

const std::string kBannerId = "9990000000000000001";
const std::string kAdTextId = "0129999000000000001";

// The bar's side: channel 012 has an advertisement text, channel 020 none; arrivals and
// reported banners are kept by id.
class RecordingLane : public TickerLane {
public:
    explicit RecordingLane(const ErrorReporter& errors) : adText012(errors) {
        adText012.strID = kAdTextId;
        adText012.strNewsText = "広告テキスト";
        texts[12] = &adText012;
        texts[20] = nullptr;
    }
    const clsBrismaNews* adText(int16_t channel) override {
        const auto found = texts.find(channel);
        return found != texts.end() ? found->second : nullptr;
    }
    void lay(const clsBrismaNews& news) override { laid.push_back(news.strID); }
    void reportBanner(const clsBrismaNews& banner) override {
        EXPECT_EQ(banner.strNewsType, "tbn");
        EXPECT_EQ(banner.strViewURL, "http://log.example/view?b=1");
        reported.push_back(banner.strID);
    }

    clsBrismaNews adText012;
    std::map<int16_t, const clsBrismaNews*> texts;
    std::vector<std::string> laid;
    std::vector<std::string> reported;
};

// Twelve headlines of channel 005.
class TickerRotationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> texts;
        for (int k = 0; k < 12; ++k)
            texts.push_back("見出し" + std::to_string(k));
        setList(texts);
    }

    void setList(const std::vector<std::string>& texts) {
        list.init(static_cast<int16_t>(texts.size()));
        clsBrismaNews news(errors);
        for (std::size_t k = 0; k < texts.size(); ++k) {
            news.init();
            news.strID = headlineId(static_cast<int>(k));
            news.strNewsText = texts[k];
            list.CopyFrom(news, static_cast<int16_t>(k));
        }
    }

    void banners(bool on) {
        script.TBId = on ? kBannerId : "";
        script.TBText = "バナー";
        script.TBHref = "http://banner.example/";
        script.TBView = "http://log.example/view?b=1";
    }

    // The next `n` records laid in, from at most ten steps each: a step that only clears a mark
    // lays in nothing.
    std::vector<std::string> arrivals(std::size_t n, bool open = true) {
        lane.laid.clear();
        for (std::size_t i = 0; i < 10 * n && lane.laid.size() < n; ++i)
            rotation.next(list, open);
        return lane.laid;
    }

    ErrorReporter errors;
    RecordingErrors recorded{errors};
    ScriptValues script;
    clsBrismaNewsList list{errors, nullptr};
    RecordingLane lane{errors};
    TickerRotation rotation{errors, script, lane};
};

TEST_F(TickerRotationTest, EveryEleventhArrivalIsTheBannerReportedOnlyWhileOpen) {
    banners(true);
    for (const bool open : {true, false}) {
        lane.reported.clear();
        // As after the load and the start's fill of ten slots.
        rotation.countForBanner = 10;
        rotation.position = 10;
        // The headlines continue where the strip's start left off and wrap round the list.
        std::vector<std::string> expected{kBannerId};
        for (int k : {10, 11, 0, 1, 2, 3, 4, 5, 6, 7})
            expected.push_back(headlineId(k));
        expected.push_back(kBannerId);
        expected.push_back(headlineId(8));
        EXPECT_EQ(arrivals(13, open), expected);
        const std::vector<std::string> reported =
            open ? std::vector<std::string>{kBannerId, kBannerId} : std::vector<std::string>{};
        EXPECT_EQ(lane.reported, reported) << "open " << open;
    }
    EXPECT_TRUE(recorded.reports.empty());
}

struct MarkCase {
    const char* mark;
    std::vector<std::string> next; // the two arrivals that follow
    int16_t fetched;               // countForBanner afterwards: every fetch with text counts
};

class TickerRotationMark : public TickerRotationTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(TickerRotationMark, APendingMarkDecidesTheNextArrivalAndIsCleared) {
    banners(false);
    rotation.position = 10;
    rotation.lastClickChannel = GetParam().mark;
    EXPECT_EQ(arrivals(2), GetParam().next);
    EXPECT_EQ(rotation.lastClickChannel, "000");
    EXPECT_EQ(rotation.countForBanner, GetParam().fetched) << "no banner without an id; the count only grows";
    EXPECT_TRUE(lane.reported.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bar, TickerRotationMark,
    ::testing::Values(MarkCase{"000", {headlineId(10), headlineId(11)}, 12},
                      // The channel's advertisement text first; the headline fetched meanwhile next.
                      MarkCase{"012", {kAdTextId, headlineId(10)}, 12},
                      MarkCase{"tbn", {headlineId(10), headlineId(11)}, 12},
                      // No advertisement text, no such channel, no number: the mark is only cleared.
                      MarkCase{"020", {headlineId(10), headlineId(11)}, 13},
                      MarkCase{"077", {headlineId(10), headlineId(11)}, 13},
                      MarkCase{"tbx", {headlineId(10), headlineId(11)}, 13}));

TEST_F(TickerRotationTest, EmptyTextsAreSkippedAndAListWithoutTextLaysInNothing) {
    banners(false);
    setList({"A", "", "B"});
    EXPECT_EQ(arrivals(4),
              (std::vector<std::string>{headlineId(0), headlineId(2), headlineId(0), headlineId(2)}));
    EXPECT_EQ(rotation.position, 0);

    setList({"", ""});
    EXPECT_TRUE(arrivals(1).empty()) << "each step ends after one pass over the list";
    EXPECT_TRUE(recorded.reports.empty());
}

} // namespace
} // namespace brisma::test
