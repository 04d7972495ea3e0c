#include "TestContext.h"
#include "common/BrismaError.h"
#include "panels/modFlashLoader.h"

#include <array>
#include <gtest/gtest.h>

namespace brisma {
namespace {

using Targets = std::vector<std::string>;

// The record's order, with each module's local file.
constexpr std::array<std::pair<ScriptModule ScriptValues::*, const char*>, 7> kModules{{
    {&ScriptValues::startflash2, "start2.swf"},
    {&ScriptValues::boxflash, "box.swf"},
    {&ScriptValues::channelflash2, "channelset2.swf"},
    {&ScriptValues::listflash, "list.swf"},
    {&ScriptValues::userflash, "user.swf"},
    {&ScriptValues::jumpflash, "jump.swf"},
    {&ScriptValues::splashflash, "splash.swf"},
}};

struct FlashLoaderTest : ::testing::Test {
    test::TestContext t;
    int boxReloads = 0;
    int listReloads = 0;
    modFlashLoader loader{
        t.paths, t.errors, t.http, t.script, [this] { ++boxReloads; }, [this] { ++listReloads; }};

    // Server versions in record order; each module is served at /m/<file> as "<file> v<version>".
    void serve(const std::array<int32_t, 7>& versions) {
        for (std::size_t i = 0; i < kModules.size(); ++i) {
            const auto [entry, file] = kModules[i];
            (t.script.*entry) = {t.server.base() + "m/" + file, versions[i]};
            t.server.route(std::string("/m/") + file, std::string(file) + " v" + std::to_string(versions[i]));
        }
    }
    std::string record() const { return t.folder.read("/flash/xml/flashversion.xml"); }
    static std::string expected(const std::string& name) {
        return test::readTestData(BRISMA_TEST_DATA, name);
    }
};

// A first run downloads every newer module in the record's order, stores error pages as they
// come, and goes on past a module that cannot be fetched.
TEST_F(FlashLoaderTest, FirstRunFetchesEveryNewerModuleAndRecordsIt) {
    serve({1, 2, 3, 4, 5, 6, 7});
    test::TestServer::Response errorPage;
    errorPage.status = 404;
    errorPage.body = "<error>404</error>";
    t.server.route("/m/channelset2.swf", errorPage);
    t.script.userflash.url = "http://127.0.0.1:1/user.swf";

    loader.updateSplashFlash();
    EXPECT_EQ(t.folder.read("/flash/splash.swf"), "splash.swf v7");
    EXPECT_FALSE(t.folder.exists("/flash/box.swf"));
    loader.updateFlash();

    EXPECT_EQ(t.server.targets(), (Targets{"/m/splash.swf", "/m/start2.swf", "/m/box.swf",
                                           "/m/channelset2.swf", "/m/list.swf", "/m/jump.swf"}));
    EXPECT_EQ(t.folder.read("/flash/box.swf"), "box.swf v2");
    EXPECT_EQ(t.folder.read("/flash/channelset2.swf"), "<error>404</error>");
    EXPECT_FALSE(t.folder.exists("/flash/user.swf"));
    EXPECT_EQ(record(), expected("flashversion-first.xml"));
    ASSERT_EQ(t.recorded.reports.size(), 1u);
    EXPECT_TRUE(t.recorded.has("modFlashLoader.loadFlashUser >"));
    EXPECT_EQ(boxReloads, 1);
    EXPECT_EQ(listReloads, 1);
}

// Equal and lower server versions fetch nothing and keep the files; the failed module is tried
// again; the splash module is not checked by the ordinary run.
TEST_F(FlashLoaderTest, OnlyGreaterServerVersionsAreFetched) {
    t.folder.write("/flash/xml/flashversion.xml", expected("flashversion-first.xml"));
    t.folder.write("/flash/list.swf", "old list");
    serve({1, 12, 3, 2, 5, 6, 9});

    loader.updateFlash();

    EXPECT_EQ(t.server.targets(), (Targets{"/m/box.swf", "/m/user.swf"}));
    EXPECT_EQ(t.folder.read("/flash/list.swf"), "old list");
    EXPECT_EQ(record(), expected("flashversion-second.xml"));
    EXPECT_EQ(boxReloads, 1);
    EXPECT_EQ(listReloads, 0);
    EXPECT_TRUE(t.recorded.reports.empty());
}

// Any well-formed record is read: unknown names are ignored, a repeated name's later entry wins,
// the order does not matter; the next write has the fixed seven entries. The splash run leaves
// the other modules' files alone but writes their entries back.
TEST_F(FlashLoaderTest, SplashRunReadsAnyRecordAndRewritesTheFixedEntries) {
    t.folder.write("/flash/xml/flashversion.xml",
                   "<?xml version=\"1.0\"?><r><item><Name>other</Name><Version>99</Version></item>"
                   "<g><item><Version>1</Version><Name>listflash</Name></item></g>"
                   "<item><Name>startflash2</Name><Version> -3 </Version></item>"
                   "<item><Name>listflash</Name><Version>9</Version></item>"
                   "<item><Name>splashflash</Name><Version>1</Version></item></r>");
    serve({50, 50, 50, 50, 50, 50, 2});

    loader.updateSplashFlash();

    EXPECT_EQ(t.server.targets(), (Targets{"/m/splash.swf"}));
    EXPECT_EQ(record(), expected("flashversion-splash.xml"));
    EXPECT_FALSE(t.folder.exists("/flash/list.swf"));
}

// A broken entry stops the reading with a bare report; what was read before it stays.
TEST_F(FlashLoaderTest, BrokenEntryKeepsTheEntriesBeforeIt) {
    t.folder.write("/flash/xml/flashversion.xml",
                   "<r><item><Name>boxflash</Name><Version>5</Version></item>"
                   "<item><Name>listflash</Name></item>"
                   "<item><Name>jumpflash</Name><Version>8</Version></item></r>");
    loader.loadFlashVersionXML();
    EXPECT_EQ(loader.recordedVersions(), (std::array<int32_t, 7>{0, 5, 0, 0, 0, 0, 0}));
    ASSERT_EQ(t.recorded.reports.size(), 1u);
    EXPECT_EQ(t.recorded.reports[0].number, err::ObjectNotSet);
    EXPECT_EQ(t.recorded.reports[0].text, errorDescription(err::ObjectNotSet));

    t.folder.write("/flash/xml/flashversion.xml",
                   "<r><item><Name>jumpflash</Name><Version>x</Version></item></r>");
    loader.loadFlashVersionXML();
    EXPECT_EQ(t.recorded.reports.back().number, err::TypeMismatch);
}

} // namespace
} // namespace brisma
