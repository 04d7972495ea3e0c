#include "report/modInet.h"

#include "RecordingErrors.h"
#include "ScriptedTransport.h"

#include <gtest/gtest.h>

namespace brisma {
namespace {

using Targets = std::vector<std::string>;

const std::string kServer = "http://brisma.test";
// The fixed clock reads 2026-12-08 10:20:30.
const std::string kStamp = "&date=20261208&time=102030";
const std::string kProfile = "&email=taro@example.jp&sex=1&bday=19800102&prefecture=0&prid=13&arid=131"
                             "&cls=2&job=3&netenv=4&pcenv=5&carier=6";

// The reports as composed: the transport records each address without a server.
struct ModInetTest : ::testing::Test {
    ModInetTest() {
        for (auto [entry, name] : {std::pair{&script.logclick, "/logclick"},
                                   {&script.logadclick, "/logadclick"},
                                   {&script.logadview, "/logadview"},
                                   {&script.logupdate, "/logupdate"},
                                   {&script.user, "/user"}})
            *entry = kServer + name;
        user = {"taro@example.jp",
                "1",
                "19800102",
                "1980",
                "01",
                "02",
                "13",
                "131",
                "",
                "2",
                "3",
                "4",
                "5",
                "6",
                "U123",
                ""};
    }
    // The addresses asked for, below the server.
    Targets sent() const {
        Targets targets;
        for (const std::string& url : http.requests)
            targets.push_back(url.starts_with(kServer) ? url.substr(kServer.size()) : url);
        return targets;
    }

    ErrorReporter errors;
    test::RecordingErrors recorded{errors};
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    ScriptValues script;
    test::ScriptedTransport http;
    UserRecord user;
    modInet inet{errors, clock, http, script, user};
};

TEST_F(ModInetTest, LogReportsGoOutFieldByFieldInTheirOrder) {
    inet.SendClickLog("0051234567890123456");
    inet.SendAdClickLog("0120000000000000001", "pr");
    inet.SendAdViewLog("tb7", "ticker_banner");
    inet.SendViewLog(kServer + "/view?mid=abc&x=1");
    inet.SendUpdateLog("open", 1);
    inet.SendDirectLog(kServer + "/direct?p=q%20r");
    inet.SendClickLog("ab");

    const std::string head = "?version=3.1.1&userid=U123&channel=";
    EXPECT_EQ(
        sent(),
        (Targets{"/logclick" + head + "005&type=desktop3&id=0051234567890123456" + kStamp,
                 "/logadclick" + head + "012&type=desktop3&adtype=pr&id=0120000000000000001" + kStamp,
                 "/logadview" + head + "tb7&type=desktop3&id=tb7&adtype=ticker_banner&com=each" + kStamp,
                 "/view?mid=abc&x=1" + kStamp, "/logupdate" + head + "001&type=desktop3&com=open" + kStamp,
                 "/direct?p=q%20r" + kStamp, "/logclick" + head + "ab&type=desktop3&id=ab" + kStamp}));
    EXPECT_TRUE(recorded.reports.empty());
}

TEST_F(ModInetTest, UpdateWithoutIdRegistersAndKeepsTheAnswerUnchanged) {
    user.strUserID.clear();
    http.route(kServer + "/user?com=regist&version=3.1.1&type=desktop3" + kProfile + kStamp, " N77\r\n");

    inet.UpdateUser();
    ASSERT_EQ(user.strUserID, " N77\r\n");
    user.strUserID = "N77";
    inet.UpdateUser();

    EXPECT_EQ(sent(), (Targets{"/user?com=regist&version=3.1.1&type=desktop3" + kProfile + kStamp,
                               "/user?com=update&version=3.1.1&type=desktop3&id=N77" + kProfile + kStamp}));
}

TEST_F(ModInetTest, ValuesThatWouldSplitTheQueryAreEncoded) {
    user = {"a&b=c#d%e@例.jp", "\t", "", "", "", "", "", "", "", "", "", "", "", "", "u 1+2", ""};
    inet.UpdateUser();
    inet.SendClickLog("1&2#3");

    EXPECT_EQ(sent(),
              (Targets{"/user?com=update&version=3.1.1&type=desktop3&id=u%201%2B2"
                       "&email=a%26b=c%23d%25e@%E4%BE%8B.jp&sex=%09&bday=&prefecture=0&prid=&arid="
                       "&cls=&job=&netenv=&pcenv=&carier=" +
                           kStamp,
                       "/logclick?version=3.1.1&userid=u%201%2B2&channel=1%262&type=desktop3&id=1%262%233" +
                           kStamp}));
}

// 23:59:59 on the first reading, midnight of the next day on every later one.
struct MidnightClock : Clock {
    DateTime now() const override {
        return readings++ == 0 ? DateTime{2026, 12, 31, 23, 59, 59} : DateTime{2027, 1, 1, 0, 0, 0};
    }
    mutable int readings = 0;
};

TEST_F(ModInetTest, DateAndTimeComeFromOneReadingOfTheClock) {
    MidnightClock clock;
    modInet(errors, clock, http, script, user).SendUpdateLog("open", 3);

    const Targets targets = sent();
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_TRUE(targets[0].ends_with("&date=20261231&time=235959")) << targets[0];
}

TEST_F(ModInetTest, AnUnreachableServerIsReportedOnlyByTheRegistration) {
    // The transport answers nothing: reports go out in the background and never fail the caller.
    EXPECT_NO_THROW(inet.SendClickLog("0051234567890123456"));
    EXPECT_NO_THROW(inet.UpdateUser());
    EXPECT_TRUE(recorded.reports.empty());

    user.strUserID.clear();
    EXPECT_NO_THROW(inet.UpdateUser());
    EXPECT_EQ(user.strUserID, "");
    ASSERT_EQ(recorded.reports.size(), 1u);
    EXPECT_TRUE(recorded.has("modInet.RegistUser >"));
}

} // namespace
} // namespace brisma
