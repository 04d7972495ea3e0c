#include "NewsFixture.h"
#include "common/BrismaError.h"
#include "news/modChannel.h"
#include "platform/text/Cp932.h"

namespace brisma {
namespace {

using test::channelEntry;
using test::feed;
using test::item;
using Targets = std::vector<std::string>;

constexpr const char* kOpen5 =
    "/logupdate?version=3.1.1&userid=&channel=005&type=desktop3&com=open&date=20261208&time=102030";
constexpr const char* kClose5 =
    "/logupdate?version=3.1.1&userid=&channel=005&type=desktop3&com=close&date=20261208&time=102030";

test::TestServer::Response answer(int status, std::string body, bool truncate = false) {
    test::TestServer::Response r;
    r.status = status;
    r.body = std::move(body);
    r.truncate = truncate;
    return r;
}

std::string items(int from, int to) {
    std::string out;
    for (int i = from; i <= to; ++i)
        out += item("005000000000000000" + std::to_string(i % 10), "h" + std::to_string(i));
    return out;
}

struct ChannelTest : test::NewsTest {
    // Channel 5 (count 10) and 12 (count 3) from the server's channel list.
    void serveRegistry() {
        t.server.route("/channel.xml", "<list><g>" + channelEntry("news", "5", "10", feedUrl(5)) + "</g>" +
                                           channelEntry("info", "12", "3", feedUrl(12)) + "</list>");
        ASSERT_EQ(mc.SetChannelListFromXML(), 0);
    }
    std::string front(int16_t index, int16_t count) {
        std::string out;
        clsBrismaNews n{t.errors};
        for (int16_t p = 0; p < count; ++p) {
            mc.objChannel[index].NewsCopyTo(n, p);
            out += n.strNewsText + " ";
        }
        return out;
    }
};

TEST_F(ChannelTest, ChannelListBuildsTheRegistryInDocumentOrder) {
    const std::string body = "<anything>" + channelEntry("news", "5", "10", "f5") + "<x>" +
                             channelEntry("info", "12", "3", "f12") + "</x>" +
                             channelEntry("news", "abc", "3", "b") + channelEntry("ad", "5", "2", "f5b") +
                             "</anything>";
    t.server.route("/channel.xml", body);
    EXPECT_EQ(mc.SetChannelListFromXML(), 0);
    ASSERT_EQ(mc.intChannelNum, 4);
    const clsBrismaChannel& c12 = mc.objChannel[1];
    EXPECT_EQ(c12.strChannelType + c12.strName + c12.strHlid, "infoN12f12");
    EXPECT_EQ(c12.intChannel * 100 + c12.intNewsNum * 10 + c12.newsCapacity(), 1233);
    EXPECT_TRUE(t.recorded.has("clsBrismaChannel.SetFromXML >Type mismatch"));
    EXPECT_EQ(mc.objChannel[3].strChannelType, "ad");
    EXPECT_EQ(mc.GetChannelIndex(5), 0);
    EXPECT_EQ(mc.ReadNewsXML(7), -1);
    EXPECT_EQ(requests(true), Targets{});
    EXPECT_EQ(XmlDocument::loadFile(t.paths.channelXml()).xml(), XmlDocument::fromBytes(body).xml());

    mc.intChannelNum = 9; // a failed lookup shows its number
    EXPECT_EQ(mc.GetChannelIndex(99), -1);
    EXPECT_EQ(t.messages.shown, Targets{"9@ChannelExist"});
}

TEST_F(ChannelTest, ChannelListThatIsNoListKeepsTheLastCopy) {
    t.folder.write("/flash/xml/channel.xml", "last good");
    for (const std::string body : {"", "<html><body>404</body></html>", "<list><channel>"}) {
        t.server.route("/channel.xml", body);
        EXPECT_EQ(mc.SetChannelListFromXML(), err::SubscriptOutOfRange) << body;
        EXPECT_EQ(mc.intChannelNum, 0);
    }
    EXPECT_EQ(t.folder.read("/flash/xml/channel.xml"), "last good");
    EXPECT_TRUE(t.recorded.has("modChannel.SetChannelListFromXML >Subscript out of range"));
}

TEST_F(ChannelTest, FeedFillsTheFrontOfTheListAndIsCopied) {
    serveRegistry();
    t.server.route("/feed5.xml", feed(items(0, 9)));
    EXPECT_EQ(mc.ReadNewsXML(5), 0);
    const std::string sjis = text::toCp932(feed(
        item("0050000000000000021", "速報：テスト①", "http://n/a?b=1&amp;c=2", "共同通信") + items(22, 24),
        "Shift_JIS"));
    t.server.route("/feed5.xml", sjis);
    EXPECT_EQ(mc.ReadNewsXML(5), 0);

    EXPECT_EQ(mc.objChannel[0].intNewsNum, 4);
    EXPECT_EQ(front(0, 10), "h24 h23 h22 速報：テスト① h9 h8 h7 h6 h5 h4 ");
    EXPECT_EQ(t.folder.read("/flash/xml/news5.xml"), test::readTestData(BRISMA_TEST_DATA, "news5.xml"));
    EXPECT_EQ(XmlDocument::loadFile(t.paths.newsXml(5)).xml(), XmlDocument::fromBytes(sjis).xml());
    EXPECT_EQ(requests(false), (Targets{"/channel.xml", "/feed5.xml", "/feed5.xml"}));
    EXPECT_EQ(requests(true), (Targets{kOpen5, kOpen5}));
}

TEST_F(ChannelTest, FeedThatCannotBeReadLeavesHeadlinesAndCopy) {
    serveRegistry();
    t.server.route("/feed5.xml", feed(items(1, 3)));
    mc.ReadNewsXML(5);
    const std::string copy = t.folder.read("/flash/xml/news5.xml");
    for (const auto& r : {answer(200, ""), answer(500, "<html><body>Error<hr></body></html>"),
                          answer(404, "<html><body>404 Not Found</body></html>"),
                          answer(200, "<rdf:RDF><item>"), answer(200, feed(items(4, 6)), true)}) {
        t.server.route("/feed5.xml", r);
        EXPECT_EQ(mc.ReadNewsXML(5), 0);
        EXPECT_EQ(mc.objChannel[0].intNewsNum, 3);
        EXPECT_EQ(front(0, 1), "h3 ");
    }
    EXPECT_EQ(t.folder.read("/flash/xml/news5.xml"), copy);
    EXPECT_EQ(requests(true), Targets(6, kOpen5));
}

TEST_F(ChannelTest, OverfullFeedsAndIncompleteItems) {
    serveRegistry();
    // Five items into a channel of three: the latest three, and the merge takes exactly those.
    t.server.route("/feed12.xml", feed(items(1, 5)));
    mc.ReadNewsXML(12);
    EXPECT_EQ(mc.objChannel[1].intNewsNum, 3);
    mc.SetFav(12);
    mc.SortIdWithMovie();
    ASSERT_TRUE(mc.objNewsList);
    EXPECT_EQ(mc.objNewsList->intMax, 3);
    EXPECT_TRUE(t.recorded.reports.empty());
    // A headline without address is still taken, typed "oth"; the next item is read normally.
    t.server.route("/feed5.xml", feed("<item><brs:hlid>0050000000000000001</brs:hlid><credit>c</credit>"
                                      "<brs:type>pol</brs:type><title>no link</title></item>" +
                                      items(2, 2)));
    EXPECT_EQ(mc.ReadNewsXML(5), 0);
    EXPECT_EQ(front(0, 2), "h2 no link ");
}

TEST_F(ChannelTest, UpdateReportsTheBarThenReadsFeedAdAndBanner) {
    serveRegistry();
    host.open = false;
    t.server.route("/feed5.xml", feed(items(1, 1)));
    t.server.route("/ad/005.xml",
                   "<ads><Item><Id>0050000000000000099</Id><Name>Sponsor</Name><Text>Buy</Text>"
                   "<UrlClick>http://ad/1</UrlClick></Item><Item><Id>2</Id><Name>n</Name>"
                   "<Text>t</Text><UrlClick>u</UrlClick></Item></ads>");
    const std::string swf("FWS\0\x01\xff", 6);
    t.server.route("/banner/005.swf", answer(200, swf));
    EXPECT_FALSE(mc.UpdateChannel(5));
    EXPECT_EQ(requests(false), (Targets{"/channel.xml", "/feed5.xml", "/ad/005.xml", "/banner/005.swf"}));
    EXPECT_EQ(requests(true), (Targets{kClose5, kOpen5}));
    const clsBrismaNews& ad = mc.objChannel[0].udtAdText.value();
    EXPECT_EQ(ad.strID + ad.strContName + ad.strNewsType + ad.strNewsText + ad.strViewURL,
              "0050000000000000099SponsorprBuyhttp://ad/1");
    EXPECT_EQ(mc.objChannel[0].GetAdvUrl(), "http://ad/1");
    EXPECT_EQ(t.folder.read("/flash/banner/005.swf"), swf);

    // An unreadable ad text keeps the last; one without text fails the refresh before the banner.
    t.server.route("/ad/005.xml", answer(404, "not xml <"));
    mc.objChannel[0].ReadAdTextXML();
    EXPECT_EQ(mc.objChannel[0].udtAdText->strNewsText, "Buy");
    t.server.route("/ad/005.xml", "<Item><Id>1</Id><Name>n</Name><UrlClick>u</UrlClick></Item>");
    t.server.clearRequests();
    EXPECT_FALSE(mc.UpdateChannel(5));
    EXPECT_TRUE(t.recorded.has("modChannel.UpdateChannel >"));
    EXPECT_EQ(requests(false), (Targets{"/feed5.xml", "/ad/005.xml"}));

    // A banner that cannot be fetched leaves the old file.
    t.script.banner = "http://127.0.0.1:1/";
    EXPECT_EQ(mc.objChannel[0].ReadBanner(5), -1);
    EXPECT_TRUE(t.recorded.has("clsBrismaChannel.ReadBanner >"));
    EXPECT_EQ(t.folder.read("/flash/banner/005.swf"), swf);
}

TEST_F(ChannelTest, ChangeOfSelection) {
    serveRegistry();
    mc.SetFav(12);
    EXPECT_EQ(mc.ChangeChannel(), -1);
    EXPECT_TRUE(mc.objChannel[1].blnFav);
    EXPECT_EQ(host.saved, 0);

    t.server.route("/feed5.xml", feed(items(1, 2)));
    mc.intSelectedChannel = {0, 5, 0, 0, 0, 0, 0, 7};
    EXPECT_EQ(mc.ChangeChannel(), 1);
    EXPECT_TRUE(mc.objChannel[0].blnFav);
    EXPECT_FALSE(mc.objChannel[1].blnFav);
    EXPECT_EQ(host.saved + host.restarted, 2);
    ASSERT_TRUE(mc.objNewsList);
    EXPECT_EQ(mc.objNewsList->GetId(0), "0050000000000000002");
    EXPECT_TRUE(t.folder.exists("/flash/xml/news998.xml"));
}

} // namespace
} // namespace brisma
