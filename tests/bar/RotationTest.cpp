#include "BarFixture.h"

namespace brisma::test {
namespace {

const std::string kStamp = "&date=20261208&time=102030";

std::string headlineId(int k) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "00520261208%08d", k);
    return buf;
}

// Twelve headlines of channel 005, and channel 012 with an advertisement text.
class Rotation : public BarTest {
protected:
    void SetUp() override {
        BarTest::SetUp();
        std::vector<Headline> list;
        for (int k = 0; k < 12; ++k)
            list.push_back({headlineId(k), "見出し" + std::to_string(k)});
        setList(list);
        // The registry from the server's channel list; channel 012 reads its advertisement text.
        const auto entry = [&](const char* number) {
            return std::string("<channel kind=\"news\"><number>") + number +
                   "</number><name-JP>N</name-JP><type-JP>T</type-JP><owner>O</owner><count>1</count><hlid>" +
                   server.base() + "feed</hlid><password>p</password></channel>";
        };
        ScriptValues& s = t->app().script();
        s.channel = server.base() + "channel.xml";
        s.adtext = server.base() + "ad/";
        server.route("/channel.xml", "<list>" + entry("12") + entry("20") + "</list>");
        server.route("/ad/012.xml",
                     "<ads><Item><Id>0129999000000000001</Id><Name>C</Name>"
                     "<Text>広告テキスト</Text><UrlClick>http://ad.example/</UrlClick></Item></ads>");
        modChannel& channels = t->app().channels();
        ASSERT_EQ(channels.SetChannelListFromXML(), 0);
        channels.objChannel[0].ReadAdTextXML(); // no advertisement text for channel 020
        server.clearRequests();
    }

    void banners(bool on) {
        ScriptValues& s = t->app().script();
        s.TBId = on ? "9990000000000000001" : "";
        s.TBText = "バナー";
        s.TBHref = "http://banner.example/";
        s.TBView = server.base() + "logview?b=1";
    }

    std::vector<std::string> arrivals(int n) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i)
            out.push_back(nextArrival());
        return out;
    }
};

TEST_F(Rotation, EveryEleventhArrivalIsTheBannerReportedOnlyWhileOpen) {
    banners(true);
    for (const bool open : {true, false}) {
        server.clearRequests();
        bar->blnOpen = open;
        bar->intCountForBanner = 10;
        bar->InitTicker();
        EXPECT_EQ(bar->intPosition, 10);
        // The headlines continue where the strip's start left off and wrap round the list.
        std::vector<std::string> expected{"9990000000000000001"};
        for (int k : {10, 11, 0, 1, 2, 3, 4, 5, 6, 7})
            expected.push_back(headlineId(k));
        expected.push_back("9990000000000000001");
        expected.push_back(headlineId(8));
        EXPECT_EQ(arrivals(13), expected);
        const std::vector<std::string> view = {
            "/logview?b=1" + kStamp,
            "/logadview?version=3.1.1&userid=U001&channel=999&type=desktop3&id=9990000000000000001"
            "&adtype=ticker_banner&com=each" +
                kStamp};
        std::vector<std::string> twice = view;
        twice.insert(twice.end(), view.begin(), view.end());
        EXPECT_EQ(reports(), open ? twice : std::vector<std::string>{}) << "open " << open;
    }
}

struct MarkCase {
    const char* mark;
    std::vector<std::string> next; // the two arrivals that follow
    int16_t fetched;               // intCountForBanner afterwards: every fetch with text counts
};

class RotationMark : public Rotation, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(RotationMark, APendingMarkDecidesTheNextArrivalAndIsCleared) {
    banners(false);
    bar->InitTicker();
    bar->strLastClickChannel = GetParam().mark;
    EXPECT_EQ(arrivals(2), GetParam().next);
    EXPECT_EQ(bar->strLastClickChannel, "000");
    EXPECT_EQ(bar->intCountForBanner, GetParam().fetched) << "no banner without an id; the count only grows";
    EXPECT_TRUE(reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bar, RotationMark,
    ::testing::Values(MarkCase{"000", {headlineId(10), headlineId(11)}, 12},
                      // The channel's advertisement text first; the headline fetched meanwhile next.
                      MarkCase{"012", {"0129999000000000001", headlineId(10)}, 12},
                      MarkCase{"tbn", {headlineId(10), headlineId(11)}, 12},
                      // No advertisement text, no such channel, no number: the mark is only cleared.
                      MarkCase{"020", {headlineId(10), headlineId(11)}, 13},
                      MarkCase{"077", {headlineId(10), headlineId(11)}, 13},
                      MarkCase{"tbx", {headlineId(10), headlineId(11)}, 13}));

TEST_F(Rotation, EmptyTextsAreSkippedAndAListWithoutTextLaysInNothing) {
    banners(false);
    setList({{headlineId(0), "A"}, {headlineId(1), ""}, {headlineId(2), "B"}});
    bar->InitTicker();
    EXPECT_EQ(arrivals(4),
              (std::vector<std::string>{headlineId(0), headlineId(2), headlineId(0), headlineId(2)}));
    EXPECT_EQ(bar->intPosition, 0);

    setList({{headlineId(0), ""}, {headlineId(1), ""}});
    EXPECT_EQ(nextArrival(2000), "(none)");
    EXPECT_EQ(bar->ScrollBar2(), 0);
}

} // namespace
} // namespace brisma::test
