#include "platform/log/ErrorLog.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brisma::test {
namespace {

std::vector<std::string>* captured = nullptr;

void capture(QtMsgType, const QMessageLogContext&, const QString& message) {
    captured->push_back(message.toStdString());
}

// The lines the category lets through, on a clock the test moves.
class ErrorLogLines : public ::testing::Test {
protected:
    void SetUp() override {
        captured = &lines;
        previous = qInstallMessageHandler(capture);
    }
    void TearDown() override {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules({});
        captured = nullptr;
    }
    ErrorLog::Now clock() {
        return [this] { return now; };
    }

    std::vector<std::string> lines;
    QtMessageHandler previous = nullptr;
    std::chrono::steady_clock::time_point now;
};

TEST_F(ErrorLogLines, SaysEachTextAtMostOnceAMinuteAndNoQueryString) {
    ErrorLog log(configureErrorLog(nullptr), clock());
    const std::string report = "modInet.SendClickLog >Network failure: "
                               "http://srv.example/log/click?version=3.1.1&userid=U1&email=a@b.jp#top";
    log(-2146697211, report);
    now += std::chrono::seconds(59);
    log(-2146697211, report);
    log(9, "modChannel.SetChannelListFromXML >Subscript out of range");
    now += std::chrono::seconds(2);
    log(-2146697211, report);
    // Dropped failures are for debugging only.
    logDropped("a report that fails after it was queued goes unnoticed", "refused");

    const std::string cut = "error -2146697211: modInet.SendClickLog >Network failure: "
                            "http://srv.example/log/click";
    EXPECT_EQ(lines, (std::vector<std::string>{
                         cut, "error 9: modChannel.SetChannelListFromXML >Subscript out of range", cut}));
}

// A text of any length is read in one pass and said in at most 1000 bytes and the length it had,
// never cut inside a character, a normal path's debug line too; any scheme's query goes.
TEST_F(ErrorLogLines, CutsLongTextsShortAndQueriesOfEveryScheme) {
    ErrorLog log(configureErrorLog("1"), clock());
    const std::string address = "http://127.0.0.1:9/" + std::string(60000, 'b') + "?email=a@b.jp";
    log(-2146697211, "clsBrismaChannel.ReadBanner >Connection refused: " + address);
    log(53, "clsBrismaChannel.ReadBanner >Connection refused: " + address, ErrorReporter::Kind::normalPath);
    const std::string text = "modInet.SendUserLog >" + std::string(978, 'x') + "\u3042";
    log(5, text);
    log(5, "ftp://h.example/a?birth=19800101 and x-app://h/b#email=c@d.jp");
    logDropped("a document that cannot be fetched reads as empty", address);

    const std::string head = "clsBrismaChannel.ReadBanner >Connection refused: http://127.0.0.1:9/";
    ASSERT_EQ(lines.size(), 5u);
    const std::string cut = head + std::string(1000 - head.size(), 'b') + "... (60068 bytes in all)";
    EXPECT_EQ(lines[0], "error -2146697211: " + cut);
    EXPECT_EQ(lines[1], "error 53: " + cut) << "a normal path's line too";
    EXPECT_EQ(lines[2], "error 5: modInet.SendUserLog >" + std::string(978, 'x') + "... (1002 bytes in all)");
    EXPECT_EQ(lines[3], "error 5: ftp://h.example/a and x-app://h/b");
    EXPECT_EQ(lines[4], "a document that cannot be fetched reads as empty: http://127.0.0.1:9/" +
                            std::string(1000 - 19, 'b') + "... (60019 bytes in all)");
}

TEST_F(ErrorLogLines, DebugSettingOneSaysEverythingAndZeroNothing) {
    ErrorLog everything(configureErrorLog("1"), clock());
    everything(5, "modApp.ConfigureFolder >Invalid procedure call or argument");
    everything(5, "modApp.ConfigureFolder >Invalid procedure call or argument");
    logDropped("a document that cannot be fetched reads as empty",
               "HTTPS://h.example/a%20b?userid=U1&birth=19800101");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "error 5: modApp.ConfigureFolder >Invalid procedure call or argument",
                         "error 5: modApp.ConfigureFolder >Invalid procedure call or argument",
                         "a document that cannot be fetched reads as empty: HTTPS://h.example/a%20b",
                     }));

    lines.clear();
    ErrorLog nothing(configureErrorLog("0"), clock());
    nothing(5, "modApp.ConfigureFolder >Invalid procedure call or argument");
    logDropped("a document that cannot be fetched reads as empty", "x");
    EXPECT_TRUE(lines.empty());
}

TEST_F(ErrorLogLines, NormalPathsAreSaidOnlyWhenDebuggingNoticesAlwaysWithoutNumber) {
    using Kind = ErrorReporter::Kind;
    const std::string firstStart =
        "modUserData.loadUserDataXML >Object variable or With block variable not set";
    const std::string feed = "channel 5 (スポーツ): its feed cannot be read: http://h.example/f.xml?user=U1";
    ErrorLog log(configureErrorLog(nullptr), clock());
    log(91, firstStart, Kind::normalPath);
    log(0, feed, Kind::notice);
    log(0, feed, Kind::notice);
    EXPECT_EQ(lines, std::vector<std::string>{
                         "channel 5 (スポーツ): its feed cannot be read: http://h.example/f.xml"});

    lines.clear();
    ErrorLog everything(configureErrorLog("1"), clock());
    everything(91, firstStart, Kind::normalPath);
    EXPECT_EQ(lines, std::vector<std::string>{"error 91: " + firstStart});
}

} // namespace
} // namespace brisma::test
