#include "NewsFixture.h"
#include "news/modChannel.h"

namespace brisma {
namespace {

using test::item;
using test::NewsTest;
using test::readTestData;

struct MergeTest : NewsTest {
    MergeTest() { t.serverBase = "http://127.0.0.1:18080/"; }

    std::vector<std::string> mergedIds() {
        std::vector<std::string> out;
        for (int16_t p = 0; p < mc.objNewsList->intMax; ++p)
            out.push_back(mc.objNewsList->GetId(p));
        return out;
    }
    // The key the rebuild gave a merged position, as its record keeps it.
    std::string mergedKey(int16_t p) {
        clsBrismaNews n{t.errors};
        mc.objNewsList->CopyTo(n, p);
        return n.strSortId;
    }
    void addMovie(int16_t pos, const std::string& movieId, bool inCatalogue) {
        clsBrismaNews n{t.errors};
        n.SetData("90320261231" + movieId, "", "", "Owner", "", "", "", "mov", "Movie " + movieId,
                  "http://m/", false, movieId, "http://m/view");
        movies.list.SetNews(pos, n);
        if (inCatalogue)
            movies.catalogue.insert(movieId);
    }
};

TEST_F(MergeTest, UnreadFirstThenDigitsThenChannelBeyond64Bits) {
    registry({{5, 5}, {12, 2, "info"}, {7, 4, "ad"}, {9, 3, "news", false}, {901, 6, "log"}});
    fill(5, item("0059999999999999998", "read", "http://r") + item("0050000000000000001", "low") +
                item("0059999999999999999", "top5"));
    fill(12, item("0129999999999999999", "top12"));
    fill(7, item("0079999999999999999", "ad kind"));
    fill(9, item("0099999999999999999", "not chosen"));
    mc.SetClick("005", "", "read", "http://r");
    movies.list.init(2);
    addMovie(0, "00000042", true);
    addMovie(1, "00000043", false);

    EXPECT_EQ(mc.GetFavNewsNum(), 3 + 1 + 1);
    mc.SortIdWithMovie();
    ASSERT_TRUE(mc.objNewsList);
    EXPECT_EQ(mergedIds(),
              (std::vector<std::string>{"0129999999999999999", "0059999999999999999", "9032026123100000042",
                                        "0050000000000000001", "0059999999999999998"}));
    EXPECT_EQ(mergedKey(0), "19999999999999999012");
    EXPECT_EQ(mergedKey(4), "09999999999999998005");
    EXPECT_TRUE(t.recorded.reports.empty());

    // A click marks the merged entry in place until the next rebuild.
    mc.SetClick("012", "0129999999999999999", "top12", "http://n/1");
    EXPECT_EQ(mc.objNewsList->GetSortId(0), "09999999999999999012");
    mc.SortIdWithMovie();
    EXPECT_EQ(mc.objNewsList->GetId(3), "0129999999999999999");
}

TEST_F(MergeTest, FileIsWrittenByteExact) {
    registry({{5, 3}});
    fill(5, item("0050000000000000001", "a&lt;b&amp;c", "http://n/?a=1&amp;b=&quot;2&quot;", "Q&amp;A通信",
                 "eco") +
                item("0050000000000000002", "日本語の見出し①", "http://n/2", "共同", "pol"));
    mc.SetClick("005", "", "a<b&c", "http://n/?a=1&b=\"2\"");
    movies.list.init(1);
    addMovie(0, "00000042", true);
    mc.SortIdWithMovie();
    EXPECT_EQ(t.folder.read("/flash/xml/news998.xml"), readTestData(BRISMA_TEST_DATA, "news998.xml"));

    registry({{5, 3, "news", false}}); // the channel list read again: no favourite
    movies.catalogue.clear();
    mc.SortIdWithMovie(); // nothing takes part: no entry
    EXPECT_EQ(t.folder.read("/flash/xml/news998.xml"), readTestData(BRISMA_TEST_DATA, "news998_empty.xml"));
}

TEST_F(MergeTest, FailuresKeepTheLastMergedList) {
    registry({{5, 2}});
    fill(5, item("0050000000000000001", "one"));
    mc.SortIdWithMovie();
    const auto merged = mc.objNewsList;
    const std::string file = t.folder.read("/flash/xml/news998.xml");

    fill(5, item("005000000000000000x", "bad id"));
    mc.SortIdWithMovie();
    EXPECT_EQ(t.recorded.reports.at(0).text, "modChannel.SortIdWithMovie >Type mismatch");
    registry({{5, 2, "news", false}});
    mc.SortIdWithMovie(); // no capacity at all
    EXPECT_EQ(t.recorded.reports.at(1).text, "modChannel.SortIdWithMovie >Subscript out of range");
    mc.SetFav(5);
    fill(5, item("0050000000000000002", "two") + item("0050000000000000003", "three"));
    mc.objChannel.at(0).intNewsNum = 32767; // more than the list holds
    mc.SortIdWithMovie();
    EXPECT_EQ(t.recorded.reports.at(2).text, "modChannel.SortIdWithMovie >Subscript out of range");
    movies.list.intMax = 1;
    mc.SortIdWithMovie();
    EXPECT_EQ(t.recorded.reports.at(3).text, "modChannel.SortIdWithMovie >Overflow");
    EXPECT_EQ(mc.objNewsList, merged);
    EXPECT_EQ(t.folder.read("/flash/xml/news998.xml"), file);

    mc.SetClick("x5", "", "one", "http://n/1");
    EXPECT_EQ(t.recorded.reports.at(4).text, "modChannel.SetClick >Type mismatch");
    registry({{5, 2, "news", false}});
    const clsBrismaChannel& c5 = mc.objChannel.at(0);
    mc.SetFav(99);
    EXPECT_FALSE(c5.blnFav);
    mc.SetFav(5);
    EXPECT_TRUE(c5.blnFav);
    EXPECT_EQ(mc.objChannel.size(), 1u);
}

} // namespace
} // namespace brisma
