#include "NewsFixture.h"
#include "common/BrismaError.h"
#include "news/clsBrismaNewsList.h"
#include "platform/events/EventGate.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>

namespace brisma {
namespace {

using Ids = std::vector<std::string>;

struct NewsListTest : ::testing::Test {
    XmlNode firstItem(const std::string& items) {
        doc = XmlDocument::fromBytes(test::feed(items));
        return doc.getElementsByTagName("item").at(0);
    }
    clsBrismaNews make(const std::string& id, const std::string& text = "t", const std::string& url = "u") {
        clsBrismaNews n{errors};
        n.SetData(id, "d", "t", "c", "e", "cu", "i", "pol", text, url, false, "m", "v");
        return n;
    }
    static Ids ids(const clsBrismaNewsList& l) {
        Ids out;
        for (int16_t p = 0; p < l.intMax; ++p)
            out.push_back(l.GetId(p));
        return out;
    }

    ErrorReporter errors;
    test::RecordingErrors recorded{errors};
    XmlDocument doc;
    clsBrismaNews news{errors};
    clsBrismaNewsList list{errors, nullptr};
};

TEST_F(NewsListTest, FeedItemTakesFirstQualifiedElementsAndKeepsOtherFields) {
    news.strViewURL = "http://view";
    EXPECT_EQ(
        news.SetFromXML(firstItem("<item><brs:hlid>0050000000000000001</brs:hlid><x><link>http://deep</link>"
                                  "</x><link>http://second</link><title>Big <b>news</b></title>"
                                  "<credit>Kyodo</credit></item>")),
        0);
    EXPECT_EQ(news.strNewsType, "oth");
    EXPECT_EQ(news.strNewsText, "Big news");
    EXPECT_EQ(news.strNewsUrl, "http://deep");
    EXPECT_EQ(news.strSortId, "10000000000000001005");
    EXPECT_EQ(news.strViewURL, "http://view");

    // "hlid" under another prefix is not the system's element: reported, nothing written.
    EXPECT_EQ(news.SetFromXML(firstItem("<item xmlns:o=\"http://o/\"><o:hlid>0050000000000000002</o:hlid>"
                                        "<credit>C</credit><title>T</title><link>L</link></item>")),
              err::ObjectNotSet);
    EXPECT_EQ(news.strID, "0050000000000000001");
    EXPECT_TRUE(recorded.has("clsBrismaNews.SetFromXML >"));
    // Without an address the error number goes back unreported, the type "oth".
    EXPECT_EQ(news.SetFromXML(firstItem("<item><brs:hlid>0050000000000000004</brs:hlid><credit>C</credit>"
                                        "<brs:type>pol</brs:type><title>New</title></item>")),
              err::ObjectNotSet);
    EXPECT_EQ(news.strNewsType, "oth");
    EXPECT_EQ(news.strNewsText, "New");
    EXPECT_EQ(news.strNewsUrl, "http://deep");
    EXPECT_EQ(recorded.reports.size(), 1u);
}

TEST_F(NewsListTest, SortKeyAndFieldCopies) {
    news.strID = "abc";
    EXPECT_EQ(news.GetSortId(), "1abc");
    news.strID = "ab";
    EXPECT_EQ(news.GetSortId(), "");
    EXPECT_TRUE(recorded.has("clsBrismaNews.GetSortId >"));

    news = make("9032026123112345678");
    EXPECT_EQ(news.extMovieID(), "12345678");
    news.blnClicked = true;
    news.strSortId = "kept";
    EXPECT_EQ(news.GetSortId(), "02026123112345678903");
    clsBrismaNews copy{errors};
    news.CopyTo(copy);
    clsBrismaNews back = make("other", "x", "y");
    back.blnClicked = false;
    EXPECT_EQ(back.CopyFrom(copy), 1);
    const auto fields = [](const clsBrismaNews& n) {
        return n.strID + n.strDate + n.strTime + n.strContName + n.strContEmail + n.strContUrl +
               n.strNewsImportant + n.strNewsType + n.strNewsText + n.strNewsUrl +
               (n.blnClicked ? "T" : "F") + n.strSortId + n.strMovieId + n.strViewURL;
    };
    EXPECT_EQ(fields(back), fields(news));
    back.SetNews(news);
    EXPECT_EQ(back.strSortId, "02026123112345678903");
}

TEST_F(NewsListTest, InsertionShiftsBackAndLookupsTakeTheNewest) {
    list.init(3);
    for (const char* id : {"A00", "B00", "C00", "D00"})
        EXPECT_EQ(list.InsertNews(make(id)), 1);
    EXPECT_EQ(ids(list), (Ids{"D00", "C00", "B00"}));
    // An item rejected after the shift leaves the front entry twice.
    EXPECT_EQ(list.InsertNewsXML(firstItem("<item><credit>c</credit></item>")), err::ObjectNotSet);
    EXPECT_EQ(ids(list), (Ids{"D00", "D00", "C00"}));
    EXPECT_EQ(list.GetIndexById("D00"), 0);
    EXPECT_EQ(list.GetIndexById("Q00"), -1);
    EXPECT_EQ(list.DeleteNews(0), 0);
    EXPECT_EQ(ids(list), (Ids{"D00", "C00", ""}));

    list.init(4);
    list.InsertNews(make("0050000000000000001", "same", "u1"));
    list.InsertNews(make("0050000000000000002", "same", "u2"));
    list.InsertNews(make("0050000000000000003", "same", "u2"));
    list.SetClick("", "same", "u9"); // the address differs
    EXPECT_EQ(list.GetSortId(0), "10000000000000003005");
    list.SetClick("", "same", "u2"); // only the lower of two equal entries
    EXPECT_EQ(list.GetSortId(0), "00000000000000003005");
    EXPECT_EQ(list.GetSortId(1), "10000000000000002005");
    clsBrismaNews dest = make("untouched");
    EXPECT_EQ(list.GetNewsBySortId(dest, "10000000000000003005"), 0);
    EXPECT_EQ(dest.strID, "untouched");
    EXPECT_EQ(list.GetNewsBySortId(dest, "00000000000000003005"), 1);
    EXPECT_EQ(dest.strID, "0050000000000000003");
}

TEST_F(NewsListTest, PositionsOutsideTheCapacityFail) {
    list.init(2);
    EXPECT_THROW(list.GetId(2), BrismaError);
    EXPECT_THROW(list.DeleteNews(-1), BrismaError);
    EXPECT_EQ(list.CopyNews(0, 2), err::SubscriptOutOfRange);
    EXPECT_TRUE(recorded.has("clsBrismaNewsList.CopyNews >Subscript out of range"));
    EXPECT_EQ(list.init(0), err::SubscriptOutOfRange);
    EXPECT_EQ(list.intMax, 0);
    EXPECT_EQ(list.InsertNews(make("x")), err::SubscriptOutOfRange);
}

TEST_F(NewsListTest, ShiftAndReadMarkLetTheEventLoopRun) {
    EventGate gate;
    clsBrismaNewsList gated{errors, &gate};
    std::string seen;
    const auto peek = [&](clsBrismaNewsList& l) {
        // Yields closer together than a millisecond are skipped.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { seen = l.GetId(0) + l.GetId(1) + l.GetId(2); },
            Qt::QueuedConnection);
    };
    for (clsBrismaNewsList* l : {&list, &gated}) {
        l->init(3);
        l->InsertNews(make("A"));
        l->InsertNews(make("B"));
    }
    peek(list);
    list.InsertNews(make("C"));
    EXPECT_EQ(seen, ""); // no gate, no yield
    QCoreApplication::processEvents();
    peek(gated);
    gated.InsertNews(make("C"));
    EXPECT_EQ(seen, "BAA"); // after the first step of the shift
    peek(gated);
    gated.SetClick("", "nothing", "u");
    EXPECT_EQ(seen, "CBA");
}

} // namespace
} // namespace brisma
