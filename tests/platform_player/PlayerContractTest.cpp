// The movie contract with the real QML player: what a movie sees of the player, how its commands
// arrive, reloading, and files that are not movies.
#include "PlayerHarness.h"
#include "platform/text/Cp932.h"

#include <QApplication>
#include <QQmlProperty>
#include <gtest/gtest.h>

namespace brisma::test {
namespace {

// Reports what it sees of `flash` at its start and at every change.
const char* const echoModule = R"(import QtQuick
Item {
    Component.onCompleted: flash.fscommand("start", flash.flashVars + " " + JSON.stringify(flash.vars)
        + " " + flash.frame + " " + flash.playing)
    Connections {
        target: flash
        function onFrameChanged() { flash.fscommand("frame", String(flash.frame)) }
        function onFrameSet(frame) { flash.fscommand("frameSet", frame + " " + flash.frame) }
        function onPlayingChanged() { flash.fscommand("playing", String(flash.playing)) }
    }
})";

struct Step {
    const char* what;
    std::function<void(FlashPlayer&)> call;
    std::vector<std::string> expected;
};

TEST(PlayerContract, TheMovieSeesEveryMemberAsTheSystemSetsIt) {
    PlayerHarness h;
    const std::vector<Step> steps = {
        {"load",
         [&](FlashPlayer& p) {
             p.setFlashVars("url=http%3A%2F%2Fex%2Ecom%2Fa%20b&n=1&empty=");
             p.setMovie(h.write("/flash/echo.swf", echoModule));
         },
         {"start|url=http%3A%2F%2Fex%2Ecom%2Fa%20b&n=1&empty= "
          "{\"empty\":\"\",\"n\":\"1\",\"url\":\"http://ex.com/a b\"} 0 "
          "true"}},
        {"GotoFrame 1", [](FlashPlayer& p) { p.GotoFrame(1); }, {"frame|1", "frameSet|1 1"}},
        {"GotoFrame to the frame shown", [](FlashPlayer& p) { p.GotoFrame(1); }, {"frameSet|1 1"}},
        {"frame number", [](FlashPlayer& p) { p.setFrameNum(-1); }, {"frame|-1"}},
        {"Stop", [](FlashPlayer& p) { p.Stop(); }, {"playing|false"}},
        {"Play", [](FlashPlayer& p) { p.Play(); }, {"playing|true"}},
        {"Playing False", [](FlashPlayer& p) { p.setPlaying(false); }, {"playing|false"}},
        {"Playing True", [](FlashPlayer& p) { p.setPlaying(true); }, {"playing|true"}},
    };
    for (const Step& step : steps) {
        h.commands.clear();
        step.call(h.player());
        ASSERT_TRUE(h.waitForCommands(step.expected.size())) << step.what;
        EXPECT_EQ(h.commands, step.expected) << step.what;
    }
}

TEST(PlayerContract, AppFolderAndReadXmlReadTheSystemsFiles) {
    PlayerHarness h;
    h.folder.write("/flash/xml/t.xml",
                   text::toCp932("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                                 "<root id=\"7\" brs:k=\"値\" xmlns:brs=\"urn:b\"><a>東京①</a>"
                                 "<!-- c --><b x=\"1\"/></root>\r\n"));
    h.load("/flash/xml.swf", R"(import QtQuick
Item { Component.onCompleted: {
    flash.fscommand("folder", flash.appFolder)
    flash.fscommand("xml", JSON.stringify(flash.readXml("flash/xml/t.xml")))
    flash.fscommand("missing", JSON.stringify(flash.readXml("flash/xml/none.xml")))
} })");
    ASSERT_TRUE(h.waitForCommands(3));
    EXPECT_EQ(h.commands[0], "folder|file://" + h.folder.path());
    EXPECT_EQ(h.commands[1], "xml|{\"attributes\":{\"brs:k\":\"値\",\"id\":\"7\"},\"children\":["
                             "{\"attributes\":{},\"children\":[],\"name\":\"a\",\"text\":\"東京①\"},"
                             "{\"attributes\":{\"x\":\"1\"},\"children\":[],\"name\":\"b\",\"text\":\"\"}],"
                             "\"name\":\"root\",\"text\":\"東京①\"}");
    EXPECT_EQ(h.commands[2], "missing|null");
}

// Three commands from one script: each handler sees the script finished, none runs inside
// another, and a handler may empty or destroy the very player that sent them.
TEST(PlayerContract, CommandsArriveInOrderOneAtATimeAfterTheScriptReturned) {
    const char* const module = R"(import QtQuick
Item {
    property bool returned: false
    Component.onCompleted: { flash.fscommand("a", "1"); flash.fscommand("b", "2"); flash.fscommand("c", "3"); returned = true }
})";
    for (const std::string handlerAction : {"nothing", "empty", "destroy"}) {
        PlayerHarness h;
        bool inHandler = false;
        std::vector<std::string> seen;
        h.onCommand = [&](const std::string& command, const std::string&) {
            EXPECT_FALSE(inHandler) << "re-entered";
            inHandler = true;
            QQuickItem* root = h.player().rootItem();
            seen.push_back(
                command +
                (root ? QQmlProperty(root, QStringLiteral("returned")).read().toBool() ? "+" : "-" : "0"));
            QCoreApplication::processEvents(); // a nested loop delivers nothing
            if (command == "a" && handlerAction == "empty")
                h.player().setMovie("");
            if (command == "b" && handlerAction == "destroy")
                h.destroyPlayer();
            inHandler = false;
        };
        h.load("/flash/m.swf", module);
        if (handlerAction == "destroy") {
            ASSERT_TRUE(h.waitForCommands(2));
            settle();
            EXPECT_EQ(seen, (std::vector<std::string>{"a+", "b+"}));
            continue;
        }
        ASSERT_TRUE(h.waitForCommands(3)) << handlerAction;
        EXPECT_EQ(h.commands, (std::vector<std::string>{"a|1", "b|2", "c|3"})) << handlerAction;
        if (handlerAction == "empty")
            EXPECT_EQ(seen, (std::vector<std::string>{"a+", "b0", "c0"}));
        else
            EXPECT_EQ(seen, (std::vector<std::string>{"a+", "b+", "c+"}));
    }
}

TEST(PlayerContract, TheReloadIdiomRestartsTheMovieFromTheFileOnDisk) {
    PlayerHarness h;
    const auto module = [](const std::string& version) {
        return "import QtQuick\nItem { Component.onCompleted: flash.fscommand(\"" + version +
               "\", String(flash.frame)) }";
    };
    const std::string file = h.write("/flash/list.swf", module("v1"));
    h.player().setMovie(file);
    ASSERT_TRUE(h.waitForCommands(1));
    h.player().GotoFrame(1);
    h.player().setMovie("http://127.0.0.1:9/");
    EXPECT_EQ(h.player().rootItem(), nullptr) << "an address empties the player";
    h.player().setMovie(file);
    ASSERT_TRUE(h.waitForCommands(2));
    h.write("/flash/list.swf", module("v2"));
    h.player().setMovie("http://127.0.0.1:9/");
    h.player().setMovie(file);
    ASSERT_TRUE(h.waitForCommands(3));
    EXPECT_EQ(h.commands, (std::vector<std::string>{"v1|0", "v1|0", "v2|0"}));
}

// The movie's own size gives way to the area the form gives the view, once the window shows.
TEST(PlayerContract, TheMovieFillsTheViewAndFollowsItsSize) {
    PlayerHarness h;
    h.load("/flash/box.swf", "import QtQuick\nRectangle { width: 245; height: 24 }");
    ASSERT_NE(h.player().rootItem(), nullptr);
    EXPECT_EQ(h.player().rootItem()->size(), QSizeF(245, 24)) << "its own size while the window is hidden";
    h.player().widget()->window()->show();
    for (const QSize size : {QSize(320, 240), QSize(660, 560)}) {
        h.player().widget()->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(h.player().rootItem()->size(), QSizeF(size));
    }
}

TEST(PlayerContract, AHiddenMovieAnimatesNothingAndGoesOnWhereItStoodWhenShown) {
    PlayerHarness h;
    // One animation on the root, bound to the player, and one in an item a repeater makes.
    h.load("/flash/anim.swf", R"(import QtQuick
Item {
    id: root
    property real a: 0
    property real b: 0
    NumberAnimation on a { from: 0; to: 1000; duration: 400; loops: Animation.Infinite; running: flash.playing }
    Repeater { model: 1; Item { SequentialAnimation { running: true; loops: Animation.Infinite
        NumberAnimation { target: root; property: "b"; from: 0; to: 1000; duration: 400 } } } }
})");
    QQuickItem* root = h.player().rootItem();
    ASSERT_NE(root, nullptr);
    const auto values = [&] {
        return std::make_pair(root->property("a").toReal(), root->property("b").toReal());
    };
    const auto hiddenStandsStill = [&](const char* what) {
        const auto before = values();
        settle();
        EXPECT_EQ(values(), before) << what;
    };
    hiddenStandsStill("loaded into a hidden window");
    h.player().Stop();
    h.player().Play();
    hiddenStandsStill("started again while hidden");
    h.window().show();
    const auto shown = values();
    settle();
    EXPECT_NE(values().first, shown.first) << "shown: it animates";
    EXPECT_NE(values().second, shown.second) << "shown: the repeater's item animates";
    h.window().hide();
    hiddenStandsStill("hidden again");
}

TEST(PlayerContract, FilesThatAreNotMoviesLeaveAnEmptyPlayerAndNoDialog) {
    const std::vector<std::pair<const char*, std::string>> files = {
        {"plain SWF", std::string("FWS\x0a\x20\x00\x00\x00", 8) + "import QtQuick\nItem{}"},
        {"zlib SWF", std::string("CWS\x0a\x78\x9c", 6)},
        {"LZMA SWF", std::string("ZWS\x0d\x01", 5)},
        {"syntax error", "import QtQuick\nItem { Component.onCompleted: flash.fscommand(\"x\", \"\") "},
        {"unknown type",
         "import QtQuick\nNoSuchThing { Component.onCompleted: flash.fscommand(\"x\", \"\") }"},
        {"a window, not an item",
         "import QtQuick\nWindow { visible: true; Component.onCompleted: flash.fscommand(\"x\", \"\") }"},
    };
    for (const auto& [what, bytes] : files) {
        PlayerHarness h;
        h.load("/flash/ok.swf", "import QtQuick\nItem {}");
        ASSERT_NE(h.player().rootItem(), nullptr);
        const auto windows = QApplication::topLevelWindows().size();
        h.load("/flash/bad.swf", bytes);
        settle();
        EXPECT_EQ(h.player().rootItem(), nullptr) << what;
        EXPECT_TRUE(h.commands.empty()) << what;
        EXPECT_EQ(QApplication::topLevelWindows().size(), windows) << what << ": no dialog, no window";
    }
}

} // namespace
} // namespace brisma::test
