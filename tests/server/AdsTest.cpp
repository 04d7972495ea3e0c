// The campaigns as one server process serves and counts them, on a clock the test steps: texts by
// weight, a daily cap that ends at Japan midnight, each click judged as billable or by its reason,
// and a cap two processes share through one database. Every case on SQLite and PostgreSQL.
#include "ManualClock.h"
#include "StoreTestSupport.h"
#include "server/ads/AdBook.h"
#include "server/content/StaticContent.h"
#include "server/model/Clock.h"
#include "server/store/Connection.h"
#include "server/store/UserTable.h"

#include <atomic>
#include <iostream>
#include <map>
#include <sstream>

namespace brisma::server::test {
namespace {

// Steps only when told; its waits last until a stop, so the tally writes only when the test syncs.
class SteppedClock final : public Clock {
public:
    explicit SteppedClock(std::int64_t ms) : ms_(ms) {}
    TimePoint now() const override { return fromMs(ms_); }
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& wake,
                   std::stop_token stop, TimePoint, const std::function<bool()>& ready) const override {
        return wake.wait(lock, stop, ready);
    }
    void set(std::int64_t ms) { ms_ = ms; }

private:
    std::atomic<std::int64_t> ms_;
};

Campaign text(const std::string& id, int weight, std::vector<int> channels, std::int64_t start,
              std::int64_t end) {
    Campaign c;
    c.id = id;
    c.advertiser = id + " Inc.";
    c.startMs = start;
    c.endMs = end;
    c.weight = weight;
    c.channels = std::move(channels);
    c.name = id;
    c.text = id + " text";
    c.url = "https://example.com/" + id;
    return c;
}

class AdsTest : public StoreTest {
protected:
    ServerConfig config(std::vector<Campaign> campaigns) const {
        ServerConfig c;
        c.base = "http://127.0.0.1:19999/";
        c.contentFolder = BRISMA_DEMO_CONTENT;
        for (const int number : {1, 5}) {
            ChannelConfig channel;
            channel.entry.number = number;
            c.channels.push_back(channel);
        }
        c.house = {"Brisma", "house", "https://example.com/house"};
        c.campaigns = std::move(campaigns);
        return c;
    }

    // A serving process: its book and tally on a database of its own.
    struct Process {
        Process(Database& database, const ServerConfig& config, const Clock& clock)
            : tally(std::make_shared<AdTally>(database, clock)),
              book(config, StaticContent(config.contentFolder, config.base), database, tally) {
            tally->book(book.ids());
        }
        // The name of the campaign the channel's text names; "house" for the house text.
        std::string serve(int channel, std::int64_t now, std::mt19937_64& random) {
            char path[16];
            std::snprintf(path, sizeof path, "/ad/%03d.xml", channel);
            const std::string doc = *book.find(path, now, random)->bytes;
            const auto at = doc.find("<Text>") + 6;
            const std::string shown = doc.substr(at, doc.find("</Text>") - at);
            return shown.ends_with(" text") ? shown.substr(0, shown.size() - 5) : shown;
        }
        std::shared_ptr<AdTally> tally;
        AdBook book;
    };

    std::map<std::string, AdFigures> figuresOn(int day) const {
        std::map<std::string, AdFigures> by;
        for (const AdDayFigures& f : AdCounts::read(*database, day, day))
            by[f.campaign] = f.figures;
        return by;
    }

    const std::int64_t day1 = japanMs(2027, 4, 1);
    const std::int64_t day2 = japanMs(2027, 4, 2);
    std::mt19937_64 random{20270401};
};

TEST_P(AdsTest, TextsGoByWeightAndADailyCapEndsAtJapanMidnight) {
    SteppedClock clock(japanMs(2027, 4, 1, 23, 50));
    Campaign capped = text("capped", 1, {5}, day1, day2 + 86'400'000);
    capped.dailyImpressions = 5;
    Process server(*database,
                   config({text("heavy", 3, {1}, day1, day2), text("light", 1, {1}, day1, day2), capped}),
                   clock);

    std::map<std::string, int> shown;
    for (int n = 0; n < 2000; ++n)
        ++shown[server.serve(1, clock.nowMs(), random)];
    // 500 expected of light; five standard deviations (19.4 each) either side.
    EXPECT_GT(shown["light"], 403);
    EXPECT_LT(shown["light"], 597);
    EXPECT_EQ(shown["heavy"] + shown["light"], 2000);

    std::vector<std::string> channel5;
    for (int n = 0; n < 7; ++n)
        channel5.push_back(server.serve(5, clock.nowMs(), random));
    EXPECT_EQ(channel5,
              (std::vector<std::string>{"capped", "capped", "capped", "capped", "capped", "house", "house"}));
    clock.set(japanMs(2027, 4, 2, 0, 0, 1));
    EXPECT_EQ(server.serve(5, clock.nowMs(), random), "capped");
    EXPECT_EQ(server.serve(1, clock.nowMs(), random), "house"); // heavy and light ended at midnight

    server.tally->sync();
    EXPECT_EQ(figuresOn(20270401)["capped"].impressions, 5);
    EXPECT_EQ(figuresOn(20270401)["light"].impressions, shown["light"]);
    EXPECT_EQ(figuresOn(20270402)["capped"].impressions, 1);
    EXPECT_EQ(figuresOn(20270402).count("heavy"), 0u);
}

TEST_P(AdsTest, ClicksAreBilledOncePerUserAndTenMinutesUntilTheBookedOnesAndTheGraceTime) {
    const std::int64_t t0 = japanMs(2027, 4, 1, 12);
    const std::int64_t minute = 60'000;
    SteppedClock clock(t0);
    Campaign booked = text("booked", 1, {1}, day1, day2);
    booked.clicks = 2;
    Process server(*database, config({booked, text("late", 1, {5}, day1, t0)}), clock);
    UserTable users(*database);
    for (const char* id : {"U1", "U2", "U3"})
        users.keepUser(id, t0).get();
    const auto click = [&](const std::string& user, const std::string& id, std::int64_t at) {
        const Query query{{"version", "3.1.1"}, {"userid", user},  {"channel", id.substr(0, 3)},
                          {"type", "desktop3"}, {"adtype", "pr"},  {"id", id},
                          {"date", "20270401"}, {"time", "120000"}};
        if (auto counted = server.tally->count(ReportKind::AdClick, query, at))
            counted->get();
    };
    const std::string bookedId = "0019999000000000001", lateId = "0059999000000000002";

    click("U1", bookedId, t0);                  // billable
    click("U1", bookedId, t0 + 5 * minute);     // repeat
    click("NOBODY", bookedId, t0 + 6 * minute); // unknown user
    click("U1", "0019999000000000077", t0);     // no such campaign
    click("U1", "0019999000000000000", t0);     // the house text: not counted
    click("U2", lateId, t0 + 14 * minute);      // within the grace time after its end
    click("U3", lateId, t0 + 16 * minute);      // after it
    click("U1", bookedId, t0 + 11 * minute);    // billable: the second booked one
    server.tally->sync();
    EXPECT_EQ(server.serve(1, t0 + 12 * minute, random), "house"); // booked clicks reached: stopped
    click("U2", bookedId, t0 + 12 * minute);                       // ended with its booked clicks

    auto f = figuresOn(20270401);
    EXPECT_EQ(f["booked"].clicks, 5);
    EXPECT_EQ(f["booked"].billable, 2);
    EXPECT_EQ(f["booked"].repeat, 1);
    EXPECT_EQ(f["booked"].unknownUser, 1);
    EXPECT_EQ(f["booked"].ended, 1);
    EXPECT_EQ(f["late"].billable, 1);
    EXPECT_EQ(f["late"].ended, 1);
    EXPECT_EQ(f[""].unknownAd, 1);
    EXPECT_EQ(f[""].clicks, 1);
}

// Two processes on one database: the same ids, and a daily cap one of them reaches holds in the
// other once each has written and read (every second while serving).
TEST_P(AdsTest, TwoProcessesShareIdsAndOneCap) {
    SteppedClock clock(japanMs(2027, 4, 1, 12));
    Campaign capped = text("capped", 1, {1}, day1, day2);
    capped.dailyImpressions = 10;
    const ServerConfig booked = config({text("other", 1, {5}, day1, day2), capped});
    Database second(database->address());
    Process a(*database, booked, clock);
    Process b(second, booked, clock);
    EXPECT_EQ(*a.book.find("/ad/001.xml", clock.nowMs(), random)->bytes,
              *b.book.find("/ad/001.xml", clock.nowMs(), random)->bytes);
    int served = 2;
    for (int n = 0; n < 8; ++n)
        served += a.serve(1, clock.nowMs(), random) == "capped";
    a.tally->sync();
    b.tally->sync();
    for (int n = 0; n < 5; ++n)
        served += b.serve(1, clock.nowMs(), random) == "capped";
    EXPECT_EQ(served, 10);
}

// While the database refuses the counts, the tally tries every second and says so once a minute,
// and once more when it writes again.
TEST_P(AdsTest, AFailingWriteIsToldOnceAMinute) {
    ManualClock clock(japanMs(2027, 4, 1, 12));
    Connection other(database->address());
    other.exec(QStringLiteral("ALTER TABLE ad_counts RENAME TO ad_counts_away"));
    testing::internal::CaptureStderr();
    {
        AdTally tally(*database, clock);
        clock.settle(1);
        for (int second = 0; second < 150; ++second) {
            clock.advance(std::chrono::seconds(1));
            clock.settle(1);
        }
        other.exec(QStringLiteral("ALTER TABLE ad_counts_away RENAME TO ad_counts"));
        for (int second = 0; second < 3; ++second) {
            clock.advance(std::chrono::seconds(1));
            clock.settle(1);
        }
    }
    const std::string lines = testing::internal::GetCapturedStderr();
    int failed = 0, again = 0;
    for (std::size_t at = 0; (at = lines.find("counts not written", at)) != std::string::npos; ++at)
        ++failed;
    for (std::size_t at = 0; (at = lines.find("counts written again", at)) != std::string::npos; ++at)
        ++again;
    EXPECT_EQ(failed, 3) << lines; // at 1, 61 and 121 seconds
    EXPECT_EQ(again, 1) << lines;
}

INSTANTIATE_TEST_SUITE_P(Engines, AdsTest, ::testing::Bool(), engineName);

} // namespace
} // namespace brisma::server::test
