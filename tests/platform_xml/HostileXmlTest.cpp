#include "TempAppFolder.h"
#include "TestServer.h"
#include "platform/http/HttpClient.h"
#include "platform/http/XmlFromUrl.h"
#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/inotify.h>
#include <unistd.h>

using namespace brisma;

namespace {

const std::string nginx404 = "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
                             "<center><h1>404 Not Found</h1></center>\r\n<hr><center>nginx</center>\r\n"
                             "</body>\r\n</html>\r\n";

std::string billionLaughs() {
    std::string dtd = "<!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            dtd += "&lol" + std::to_string(i - 1) + ";";
        dtd += "\">";
    }
    return dtd + "]><lolz>&lol9;</lolz>";
}

std::string garbage(std::size_t size) {
    std::mt19937 rng(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

} // namespace

TEST(HostileXml, RefusedDocumentsReadEmptyQuietlyAndOpenNothing) {
    test::TempAppFolder folder;
    folder.write("/marker.txt", "MARKER");
    const std::string marker = "file://" + folder.file("/marker.txt");
    const std::string feed = test::readTestData(BRISMA_TEST_DATA, "feed_sjis.xml");
    const std::vector<std::string> refused = {
        billionLaughs(),
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + marker + "\">]><r>&x;</r>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + marker + "\"> %p;]><r/>",
        "<!DOCTYPE r SYSTEM \"" + marker + "\"><r/>",
        "<!DOCTYPE r [<!NOTATION n SYSTEM \"n\"><!ENTITY u SYSTEM \"" + marker + "\" NDATA n>]><r/>",
        "<!DOCTYPE r [<!ENTITY unused \"x\">]><r/>",
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><body><p>Not Found</p></body></html>",
        nginx404,
        "<a><b></a>",
        feed.substr(0, feed.size() / 2),
        "",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\x87\x40</a>",
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>\x85\x40</a>",
        garbage(50u << 20),
    };
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, folder.path().c_str(), IN_OPEN | IN_ACCESS), 0);

    testing::internal::CaptureStderr();
    for (std::size_t i = 0; i < refused.size(); ++i) {
        const auto doc = XmlDocument::fromBytes(refused[i]);
        EXPECT_TRUE(doc.empty()) << "document " << i;
        EXPECT_EQ(doc.xml(), "") << "document " << i;
    }
    // A DTD that declares no entity is no reason to refuse.
    EXPECT_EQ(XmlDocument::fromBytes("<!DOCTYPE r [<!ELEMENT r ANY>]><r>ok</r>").documentElement().text(),
              "ok");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "a file of the folder was opened";
    ::close(watch);
}

TEST(HostileXml, LoadsThatFailReadEmpty) {
    test::TempAppFolder folder;
    EXPECT_TRUE(XmlDocument::loadFile(folder.file("/none.xml")).empty());
    EXPECT_TRUE(XmlDocument::loadFile(folder.path()).empty());

    test::TestServer server;
    server.route("/feed.xml", test::readTestData(BRISMA_TEST_DATA, "feed_sjis.xml"));
    test::TestServer::Response gone;
    gone.status = 404;
    gone.body = nginx404;
    gone.contentType = "text/html";
    server.route("/gone.xml", gone);
    HttpClient http(nullptr);
    EXPECT_EQ(loadXmlFromUrl(http, server.base() + "feed.xml").getElementsByTagName("item").size(), 2u);
    EXPECT_TRUE(loadXmlFromUrl(http, server.base() + "gone.xml").empty());
    EXPECT_TRUE(loadXmlFromUrl(http, "http://127.0.0.1:1/x.xml").empty());
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/feed.xml", "/gone.xml"}));
}
