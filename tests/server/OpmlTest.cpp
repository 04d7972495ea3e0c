// The feed list in and out as OPML: the real executable's opml and opml-import, and a reader's
// export with groups inside groups, lone feeds and schemes the server cannot fetch.
#include "server/config/Opml.h"

#include "ProcessRun.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace brisma::server {
namespace {

namespace fs = std::filesystem;
using test::runProcess;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Opml, AReadersGroupsBecomeChannelsAndWhatCannotBeFetchedIsSaid) {
    std::vector<std::string> notices;
    const auto channels = channelsOfOpml(slurp(BRISMA_TEST_DATA "/opml/reader-export.opml"), notices);
    EXPECT_EQ(channelTables(channels, 7), slurp(BRISMA_TEST_DATA "/opml/reader-export.toml"));
    EXPECT_EQ(notices,
              (std::vector<std::string>{"left out, neither http nor https: feed://b.example.jp/podcast"}));
    EXPECT_THROW(channelTables(channels, 897), std::out_of_range);
    EXPECT_THROW(channelsOfOpml("<rss><channel/></rss>", notices), std::runtime_error);
}

// The channels go out as OPML and come back as tables that, appended to the configuration, pass
// its check.
TEST(Opml, TheChannelsGoOutAndComeBackAsTablesThatPassTheCheck) {
    const fs::path folder = fs::temp_directory_path() / ("brisma-opml-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "local.xml") << "<rss><channel><title>x</title></channel></rss>";
    const std::string config = (folder / "server.toml").string();
    std::ofstream(config)
        << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ncontent = \""
        << BRISMA_DEMO_CONTENT << "\"\ncontact = \"ops@example.jp\"\n\n"
        << "[[channel]]\nnumber = 1\nname = \"総合 & <速報>\"\n"
        << "sources = [\"https://news.example.jp/rss?a=1&b=2\", \"local.xml\"]\n";
    const auto exported =
        runProcess(QStringLiteral(BRISMA_SERVER_EXE),
                   {QStringLiteral("opml"), QStringLiteral("--config"), QString::fromStdString(config)});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const std::string local = "file://" + (folder / "local.xml").string();
    EXPECT_EQ(exported.out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n"
                            "  <head><title>brisma-server</title></head>\n  <body>\n"
                            "    <outline text=\"総合 &amp; &lt;速報&gt;\">\n"
                            "      <outline type=\"rss\" text=\"https://news.example.jp/rss?a=1&amp;b=2\" "
                            "xmlUrl=\"https://news.example.jp/rss?a=1&amp;b=2\"/>\n"
                            "      <outline type=\"rss\" text=\"" +
                                local + "\" xmlUrl=\"" + local +
                                "\"/>\n"
                                "    </outline>\n  </body>\n</opml>\n");

    std::ofstream(folder / "out.opml") << exported.out;
    const auto imported =
        runProcess(QStringLiteral(BRISMA_SERVER_EXE),
                   {QStringLiteral("opml-import"), QString::fromStdString((folder / "out.opml").string()),
                    QStringLiteral("--first-number"), QStringLiteral("2")});
    ASSERT_EQ(imported.code, 0) << imported.err;
    std::ofstream(config, std::ios::app) << "\n" << imported.out;
    const auto checked =
        runProcess(QStringLiteral(BRISMA_SERVER_EXE),
                   {QStringLiteral("--config"), QString::fromStdString(config), QStringLiteral("--check")});
    EXPECT_EQ(checked.code, 0) << checked.err;
    EXPECT_NE(checked.out.find("2 channels, no fault found"), std::string::npos) << checked.out;
    fs::remove_all(folder);
}

} // namespace
} // namespace brisma::server
