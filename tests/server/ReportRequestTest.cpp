#include "server/intake/ReportRequest.h"

#include <gtest/gtest.h>

namespace brisma::server {
namespace {

const std::string kStamp = "&date=20261208&time=102030";
const std::string kHead = "?version=3.1.1&userid=U123&channel=";

TEST(ReportRequestTest, TheClientsRequestsAreRoutedAndKeptKeyByKey) {
    struct Case {
        std::string target;
        Route route;
        ReportKind kind;
    };
    const std::vector<Case> cases = {
        {"/log/click" + kHead + "005&type=desktop3&id=0051234567890123456" + kStamp, Route::Report,
         ReportKind::Click},
        {"/log/adclick" + kHead + "012&type=desktop3&adtype=pr&id=0120000000000000001" + kStamp,
         Route::Report, ReportKind::AdClick},
        {"/log/adview" + kHead + "999&type=desktop3&id=9990000000000000001&adtype=ticker_banner&com=each" +
             kStamp,
         Route::Report, ReportKind::AdView},
        {"/log/view?banner=9990000000000000001" + kStamp, Route::Report, ReportKind::View},
        {"/log/view?movie=80000001" + kStamp, Route::Report, ReportKind::View},
        {"/log/update" + kHead + "001&type=desktop3&com=open" + kStamp, Route::Report, ReportKind::Update},
        {"/log/search?p=q%20r" + kStamp, Route::Report, ReportKind::Log},
        {"/user?com=regist&version=3.1.1&type=desktop3&email=a&b@example.jp&sex=1" + kStamp,
         Route::Registration, ReportKind::Log},
        {"/user?com=update&version=3.1.1&type=desktop3&id=Ab9x&email=" + kStamp, Route::ProfileUpdate,
         ReportKind::Log},
        {"/user?com=other", Route::Other, ReportKind::Log},
        {"/channel.xml", Route::Other, ReportKind::Log},
    };
    for (const Case& c : cases) {
        const Request request = readRequest(c.target);
        EXPECT_EQ(request.route, c.route) << c.target;
        if (c.route == Route::Report) {
            EXPECT_EQ(request.kind, c.kind) << c.target;
        }
    }

    // An `&` in an unescaped e-mail address splits it; this client's encoded form arrives whole.
    // `+` is no blank, a lone `%` stays, a part without `=` has no value, duplicates stay.
    const Request raw =
        readRequest("/user?com=regist&email=a&b@x.jp&email=t+1%2Bu%26v%zz@%E4%BE%8B.jp&flag&&x=");
    const Query expected = {{"com", "regist"},        {"email", "a"},
                            {"b@x.jp", std::nullopt}, {"email", "t+1+u&v%zz@例.jp"},
                            {"flag", std::nullopt},   {"x", ""}};
    ASSERT_EQ(raw.query.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(raw.query[i].key, expected[i].key) << i;
        EXPECT_EQ(raw.query[i].value, expected[i].value) << i;
    }
    EXPECT_EQ(firstValue(raw.query, "email"), "a");
}

TEST(ReportRequestTest, RefusesOnlyByItsRules) {
    const std::string click = "/log/click" + kHead + "005&type=desktop3&id=0051234567890123456" + kStamp;
    const std::string longest = click + "&pad=" + std::string(8192 - click.size() - 5, 'x');
    ASSERT_EQ(longest.size(), 8192u);

    for (const std::string& refused : std::vector<std::string>{
             longest + "x", click + "&v=%00", std::string("/log/click?v=a\0b", 16), click + "&v=%1F",
             click + "&v=%7F", click + "&v=%C2%85", click + "&v=%FF", click + "&v=%C0%AF",
             click + "&v=%ED%A0%80", click + "&v=%E4%BE", "/log/c%0Alick?id=1", "/log/click?id=12a",
             "/log/click?channel=tb7", "/log/update?channel=-1", "/log/click?date=2026-12-08",
             "/log/click?time=10%2030", "/log/click?id=1&id=x"})
        EXPECT_THROW(readRequest(refused), RequestRefused) << refused;

    // Letters in a user id, any channel number and id length, strange keys and values.
    for (const std::string& accepted : std::vector<std::string>{
             longest, "/user?com=update&id=Ab9xQ&email=%F0%9F%93%B0@x.jp",
             "/log/click?channel=999&id=1&date=&time=", "/log/adview?id=9990000000000000001&com=each&v=%",
             "/log/x?%3D=%26&=v&\xE4\xBE\x8B=1"})
        EXPECT_NO_THROW(readRequest(accepted)) << accepted;
}

} // namespace
} // namespace brisma::server
