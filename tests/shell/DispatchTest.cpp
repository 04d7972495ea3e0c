// The command dispatcher driven by real QML movies, the channel-set parsing and the profile panel.
#include "TestApp.h"
#include "common/BrismaError.h"
#include "movie/frmMovie.h"
#include "panels/frmChannel.h"
#include "panels/frmUser.h"
#include "panels/modFlashListener.h"
#include "shell/modApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace brisma::test {
namespace {

using Commands = std::vector<std::pair<std::string, std::string>>;

const std::string kData = std::string(BRISMA_TEST_DATA) + "/panels";

// Runs events for a while: a movie's commands arrive queued after it loaded.
void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

std::string jsText(const std::string& s) {
    std::string out = "\"";
    for (char c : s)
        out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

// A movie that sends `commands` as soon as it is loaded.
std::string sendingModule(const Commands& commands) {
    std::string body;
    for (const auto& [command, args] : commands)
        body += "        flash.fscommand(" + jsText(command) + ", " + jsText(args) + ")\n";
    return "import QtQuick\nItem {\n    Component.onCompleted: {\n" + body + "    }\n}\n";
}

// Writes the profile panel's movie and opens the panel: the movie's commands reach the
// dispatcher through the panel's own player.
void runInProfilePanel(TestApp& t, TempAppFolder& folder, const Commands& commands) {
    folder.write("/flash/user.swf", sendingModule(commands));
    t.app().userForm().show();
    settle();
}

std::vector<std::string> dispatcherFailures(const TestApp& t) {
    std::vector<std::string> out;
    for (const auto& r : t.errors->reports)
        if (r.text.rfind("modFlashlistener.throwValue >", 0) == 0)
            out.push_back(std::to_string(r.number));
    return out;
}

struct DispatchCase {
    const char* what;
    std::function<Commands(const std::string& base)> commands;
    std::vector<std::string> targets;  // what the server saw
    std::vector<std::string> failures; // numbers of the dispatcher's reports
    bool ended = false;
};

TEST(Dispatcher, MoviesCommandsReachTheirActionsByExactTextOnly) {
    const std::string stamp = "&date=20261208&time=102030";
    const std::vector<DispatchCase> cases = {
        {"log sends the address with date and time",
         [](const std::string& b) {
             return Commands{{"log", b + "direct?a=1"}};
         },
         {"/direct?a=1" + stamp},
         {}},
        {"letter case and blanks make another command",
         [](const std::string& b) {
             return Commands{{"LOG", b + "direct"},    {" log", b + "direct"}, {"log ", b + "direct"},
                             {"Killall", ""},          {"killall ", ""},       {"list:click:NEW", ""},
                             {"list:click:done ", ""}, {"user:Email", "x"},    {"comment", "anything"}};
         },
         {},
         {}},
        {"field and done commands before a creating command fail",
         [](const std::string&) {
             return Commands{{"list:click:text", "x"},
                             {"box:searchlog:id", "1"},
                             {"list:click:done", ""},
                             {"box:searchlog:done", ""}};
         },
         {},
         {"91", "91", "91", "91"}},
        {"two dones report the same click twice",
         [](const std::string&) {
             return Commands{{"box:searchlog:new", ""},   {"box:searchlog:id", "0050000000000000007"},
                             {"box:searchlog:text", "T"}, {"box:searchlog:url", "http://example.com/a"},
                             {"box:searchlog:done", ""},  {"box:searchlog:done", ""}};
         },
         {"/logclick?version=3.1.1&userid=&channel=005&type=desktop3&id=0050000000000000007" + stamp,
          "/logclick?version=3.1.1&userid=&channel=005&type=desktop3&id=0050000000000000007" + stamp},
         {}},
        {"killall ends through EndApp",
         [](const std::string&) {
             return Commands{{"killall", ""}};
         },
         {},
         {},
         true},
    };
    for (const DispatchCase& c : cases) {
        TempAppFolder folder;
        TestServer server;
        TestApp t(folder, server, true);
        t.app().script().logclick = server.base() + "logclick";
        runInProfilePanel(t, folder, c.commands(server.base()));
        t.app().services().http.flush(3000);
        EXPECT_EQ(server.targets(), c.targets) << c.what;
        EXPECT_EQ(dispatcherFailures(t), c.failures) << c.what;
        EXPECT_EQ(t.ended(), c.ended) << c.what;
    }
}

TEST(Dispatcher, MovieCloseClosesAndHidesTheMovieWindow) {
    TempAppFolder folder;
    TestServer server;
    TestApp t(folder, server, true);
    t.app().app().ConfigureFolder();
    frmMovie& movie = t.app().movie();
    folder.write("/movie/70000001/70000001", "\xb9movie");
    movie.playMovie("70000001");
    ASSERT_TRUE(movie.isVisible() && movie.blnPlay);
    runInProfilePanel(t, folder, {{"movie:close", ""}});
    EXPECT_FALSE(movie.isVisible());
    EXPECT_FALSE(movie.blnPlay);
}

// The profile panel's completion: every field into user.xml, the update report, the panel
// hidden; closing the window forgets the fields.
TEST(ProfilePanel, DoneSavesTheProfileAndReportsItClosingForgetsTheFields) {
    TempAppFolder folder;
    TestServer server;
    writeProfile(folder, "3.0.0");
    TestApp t(folder, server, true);
    t.app().script().user = server.base() + "user";
    t.app().app().LoadUserFiles();
    runInProfilePanel(t, folder,
                      {{"user:email", "b&c@example.com"},
                       {"user:sex", "1"},
                       {"user:yy", "1980"},
                       {"user:job", "技術"},
                       {"user:carrier", "<none>"},
                       {"user:done", ""}});
    t.app().services().http.flush(3000);
    EXPECT_EQ(folder.read("/flash/xml/user.xml"), readTestData(kData, "user-done.xml"));
    EXPECT_EQ(server.targets(), std::vector<std::string>{readTestData(kData, "user-done.target")});
    ASSERT_NE(t.app().loadedUser(), nullptr);
    EXPECT_FALSE(t.app().loadedUser()->isVisible());
    EXPECT_EQ(t.app().loadedUser()->fields.strJob, "技術");

    t.app().userForm().show();
    t.app().loadedUser()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.app().loadedUser(), nullptr);
    EXPECT_EQ(t.app().userForm().fields.strJob, "");
    EXPECT_TRUE(dispatcherFailures(t).empty());
}

TEST(ChannelSet, SetFavFillsTheTableAndFailsAfterTheStoredEntries) {
    struct Case {
        std::string text;
        std::array<int16_t, 8> slots;
        long error; // 0: none
    };
    const std::vector<Case> cases = {
        {"3-12-40-", {3, 12, 40}, 0},
        {"3-12-40", {3, 12}, 0},
        {"3--40-", {3, 0, 40}, 0},
        {"", {}, 0},
        {"-", {}, 0},
        {"1-2-3-4-5-6-7-8-", {1, 2, 3, 4, 5, 6, 7, 8}, 0},
        {"1-2-3-4-5-6-7-8-9-", {1, 2, 3, 4, 5, 6, 7, 8}, err::SubscriptOutOfRange},
        {"1-2-3-4-5-6-7-8-9", {1, 2, 3, 4, 5, 6, 7, 8}, 0},
        {"3-x-40-", {3}, err::TypeMismatch},
        {"3-40000-5-", {3}, err::Overflow},
    };
    for (const Case& c : cases) {
        std::array<int16_t, 8> table;
        table.fill(99);
        long error = 0;
        try {
            frmChannel::SetFav(c.text, table);
        } catch (const BrismaError& e) {
            error = e.number();
        }
        EXPECT_EQ(table, c.slots) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

} // namespace
} // namespace brisma::test
