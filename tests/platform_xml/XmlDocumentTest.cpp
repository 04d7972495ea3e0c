#include "platform/xml/XmlDocument.h"

#include "ErrorNumber.h"
#include "TempAppFolder.h"
#include "TestServer.h"
#include "common/BrismaError.h"
#include "platform/http/HttpClient.h"
#include "platform/http/XmlFromUrl.h"

#include <functional>
#include <gtest/gtest.h>

using namespace brisma;

namespace {

const std::string feedPath = BRISMA_TEST_DATA "/feed_sjis.xml";

using test::errorNumberOf;

} // namespace

TEST(XmlDocument, ReadsShiftJisFeedByQualifiedNames) {
    const XmlDocument doc = XmlDocument::loadFile(feedPath);
    ASSERT_FALSE(doc.empty());
    const XmlNode root = doc.documentElement();
    EXPECT_EQ(root.nodeName(), "rdf:RDF");
    const auto items = doc.getElementsByTagName("item");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].textOf("brs:hlid"), "0050000000000000001");
    EXPECT_EQ(items[0].textOf("title"), "①株価～ｶﾌﾞｶ 上昇 & <速報> 😀");
    EXPECT_EQ(items[0].firstAttributeValue(), "http://example.com/1");
    EXPECT_EQ(errorNumberOf([&] { items[1].textOf("brs:type"); }), err::ObjectNotSet);
    EXPECT_EQ(items[1].textOf("credit"), "");

    // Children in order: element, comment, element; CDATA is a child of its own kind.
    EXPECT_EQ(root.firstChild().nodeName(), "channel");
    const XmlNode comment = root.firstChild().nextSibling();
    EXPECT_FALSE(comment.isElement());
    EXPECT_EQ(comment.nodeName(), "#comment");
    EXPECT_EQ(comment.text(), "速報 ① の一覧");
    EXPECT_EQ(comment.nextSibling().nodeName(), "item");
    const XmlNode title = items[1].firstElementByTagName("title");
    EXPECT_EQ(title.text(), "二件目 <生> 終わり");
    EXPECT_EQ(title.firstChild().nextSibling().nodeName(), "#cdata-section");
    EXPECT_EQ(title.lastChild().nodeName(), "#text");
    EXPECT_TRUE(root.lastChild().nextSibling().isNull());
}

TEST(XmlDocument, EveryShiftJisLabelReadsAsCp932) {
    for (const char* label :
         {"Shift_JIS", "shift_jis", "SHIFT-JIS", "sjis", "MS_Kanji", "x-sjis", "X-SJIS"}) {
        const auto doc = XmlDocument::fromBytes(std::string("<?xml version=\"1.0\" encoding=\"") + label +
                                                "\"?><a>\x87\x40\x81\x60\xB1</a>");
        EXPECT_EQ(doc.documentElement().text(), "①～ｱ") << label;
    }
}

TEST(XmlDocument, DropsWhitespaceOnlyTextAndKeepsComments) {
    const auto doc = XmlDocument::fromBytes("<root>\n  <a>  </a>\n  <b>\r\n\t</b>\n  <!-- note -->\n"
                                            "  <c> keep </c>\n  <p>x <i>y</i> <i>z</i></p>\n</root>\n");
    const XmlNode a = doc.documentElement().firstChild();
    EXPECT_TRUE(a.firstChild().isNull());
    EXPECT_EQ(a.nextSibling().nextSibling().nodeName(), "#comment");
    EXPECT_EQ(doc.xml(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<root><a/><b/><!-- note --><c> keep </c><p>x <i>y</i><i>z</i></p></root>\n");
}

TEST(XmlDocument, NamesMatchExactlyAndSearchesCoverTheRightNodes) {
    const auto doc = XmlDocument::fromBytes(
        "<item xmlns:x=\"urn:brs\" v=\"a &amp; &lt;b&gt;\"><brs:hlid>1</brs:hlid><x:hlid>2</x:hlid>"
        "<item xmlns=\"urn:rss\" kind=\"inner\"/></item>");
    ASSERT_FALSE(doc.empty()); // an undeclared prefix is kept as written
    const XmlNode root = doc.documentElement();
    EXPECT_EQ(root.textOf("brs:hlid"), "1");
    EXPECT_EQ(root.textOf("x:hlid"), "2");
    EXPECT_TRUE(root.firstElementByTagName("hlid").isNull());
    EXPECT_EQ(doc.getElementsByTagName("item").size(), 2u);
    ASSERT_EQ(root.getElementsByTagName("item").size(), 1u);
    // Namespace declarations are no attributes: the first attribute is the first one after them.
    EXPECT_EQ(root.firstElementByTagName("item").firstAttributeValue(), "inner");
    EXPECT_EQ(root.firstAttributeValue(), "a & <b>");
    EXPECT_EQ(root.firstChild().firstAttributeValue(), std::nullopt);
}

TEST(XmlDocument, AnAddressLoadsOnlyWhatIsAnsweredWithASuccessStatus) {
    test::TestServer server;
    HttpClient http(nullptr);
    for (const auto& [status, loads] :
         {std::pair{200, true}, {299, true}, {300, false}, {404, false}, {500, false}}) {
        test::TestServer::Response answer;
        answer.status = status;
        answer.body = "<?xml version=\"1.0\"?><error><code>404</code></error>";
        server.route("/doc.xml", answer);
        EXPECT_EQ(loadXmlFromUrl(http, server.base() + "doc.xml").empty(), !loads) << status;
    }
}

TEST(XmlDocument, NullNodesWalkToNullAndRaiseOnRead) {
    const XmlNode null = XmlDocument().documentElement();
    EXPECT_TRUE(null.firstChild().nextSibling().firstElementByTagName("a").isNull());
    EXPECT_TRUE(null.getElementsByTagName("a").empty());
    EXPECT_EQ(errorNumberOf([&] { null.nodeName(); }), err::ObjectNotSet);
    EXPECT_EQ(errorNumberOf([&] { null.firstAttributeValue(); }), err::ObjectNotSet);
}

TEST(XmlDocument, SaveWritesTheDocumentsOwnEncoding) {
    test::TempAppFolder folder;
    const std::string served = test::readTestData(BRISMA_TEST_DATA, "feed_sjis.xml");
    XmlDocument::loadFile(feedPath).save(folder.file("/copy.xml"));
    EXPECT_EQ(folder.read("/copy.xml"), served);

    const auto utf8 = XmlDocument::fromBytes("<a>\n  <b>漢 ①</b>\n</a>");
    utf8.save(folder.file("/utf8.xml"));
    EXPECT_EQ(folder.read("/utf8.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b>漢 ①</b></a>\n");
    EXPECT_EQ(XmlDocument::loadFile(folder.file("/utf8.xml")).xml(), utf8.xml());

    // An empty document (a failed load) leaves the previous copy as it was.
    folder.write("/previous.xml", "<kept/>");
    EXPECT_EQ(errorNumberOf([&] { XmlDocument::fromBytes("<broken").save(folder.file("/previous.xml")); }),
              err::InvalidArgument);
    EXPECT_EQ(folder.read("/previous.xml"), "<kept/>");
    EXPECT_EQ(errorNumberOf([&] { utf8.save(folder.file("/missing/x.xml")); }), err::PathFileAccess);
}
