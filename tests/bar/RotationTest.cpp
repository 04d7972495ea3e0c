#include "BarFixture.h"

namespace brisma::test {
namespace {

const std::string kStamp = "&date=20261208&time=102030";

std::string headlineId(int k) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "00520261208%08d", k);
    return buf;
}

// The bar with twelve headlines of channel 005, and channel 012 with an advertisement text: the
// rotation's arrivals reach the strip and its banners the report server.
class Rotation : public BarTest {
protected:
    void SetUp() override {
        BarTest::SetUp();
        std::vector<Headline> list;
        for (int k = 0; k < 12; ++k)
            list.push_back({headlineId(k), "見出し" + std::to_string(k)});
        setList(list);
        ScriptValues& s = t->app().script();
        s.channel = server.base() + "channel.xml";
        s.adtext = server.base() + "ad/";
        s.TBId = "9990000000000000001";
        s.TBText = "バナー";
        s.TBHref = "http://banner.example/";
        s.TBView = server.base() + "logview?b=1";
        server.route("/channel.xml", "<list><channel kind=\"news\"><number>12</number><name-JP>N</name-JP>"
                                     "<type-JP>T</type-JP><owner>O</owner><count>1</count><hlid>" +
                                         server.base() +
                                         "feed</hlid><password>p</password></channel></list>");
        server.route("/ad/012.xml",
                     "<ads><Item><Id>0129999000000000001</Id><Name>C</Name>"
                     "<Text>広告テキスト</Text><UrlClick>http://ad.example/</UrlClick></Item></ads>");
        modChannel& channels = t->app().channels();
        ASSERT_EQ(channels.SetChannelListFromXML(), 0);
        channels.objChannel[0].ReadAdTextXML();
        server.clearRequests();
    }
};

TEST_F(Rotation, TheOpenBarLaysInTheBannerWithItsReportsAndTheClickedChannelsAdvertisement) {
    bar->blnOpen = true;
    bar->InitTicker();
    bar->strLastClickChannel = "012";
    std::vector<std::string> arrivals;
    for (int i = 0; i < 3; ++i)
        arrivals.push_back(nextArrival());
    EXPECT_EQ(arrivals,
              (std::vector<std::string>{"9990000000000000001", "0129999000000000001", headlineId(10)}));
    EXPECT_EQ(reports(),
              (std::vector<std::string>{"/logview?b=1" + kStamp,
                                        "/logadview?version=3.1.1&userid=U001&channel=999&type=desktop3"
                                        "&id=9990000000000000001&adtype=ticker_banner&com=each" +
                                            kStamp}));
}

} // namespace
} // namespace brisma::test
