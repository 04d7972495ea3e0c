// The sources' copies, their fetching and the channels built from them, in process on a clock the
// test steps, on both engines: what a fetch and another process's save leave together, how soon a
// source is asked again, and which channels a change rebuilds.
#include "ManualClock.h"
#include "StoreTestSupport.h"
#include "TestServer.h"
#include "server/channels/ChannelBuilder.h"
#include "server/sources/FetchScheduler.h"
#include "server/sources/SourceCopies.h"
#include "server/store/SourceStates.h"

#include <fstream>
#include <regex>
#include <set>
#include <thread>

namespace brisma::server::test {
namespace {

using namespace std::chrono_literals;
using brisma::test::TestServer;

constexpr std::int64_t T0 = 1'796'000'000'500; // half past a second

std::string rss(const std::vector<std::string>& titles) {
    std::string s = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>S</title>";
    for (const std::string& title : titles)
        s += "<item><title>" + title + "</title><link>https://news.example.jp/" + title + "</link></item>";
    return s + "</channel></rss>";
}

std::string firstTitle(const SourceCopies& copies, const std::string& source) {
    const auto feed = copies.feed(source);
    return feed && !feed->items.empty() ? feed->items[0].title.value_or("") : "none";
}

class SourcesTest : public StoreTest {};

// Each update keeps what the other set later: a copy another process saved while a fetch was under
// way outlives the fetch's failure, and a row the poll read before a fetch's save changes nothing.
TEST_P(SourcesTest, AFetchAndATakenUpCopyKeepEachOthersChanges) {
    TestServer source;
    TestServer::Response held;
    held.status = 500;
    held.hold = true;
    source.route("/feed.xml", held);
    const std::string address = source.base() + "feed.xml";
    ManualClock clock(T0);
    SourceCopies copies({address}, *database);
    FetchScheduler fetching(copies, *database, {{60s, 3600s}, "test", 1}, clock);
    fetching.start({});
    ASSERT_TRUE(source.waitForRequests(1, 10'000));

    SourceStates stored(*database);
    stored.save({address, true, rss({"Theirs"}), "", address, "\"t\"", "", T0 + 30'000, 0, T0 + 1}).get();
    clock.advance(5s);
    clock.settle(1); // the poll took it up; the host's thread still waits for its answer
    EXPECT_EQ(firstTitle(copies, address), "Theirs");
    source.release();
    clock.settle(2);
    const auto kept = [&](const SourceState& state) {
        return std::tuple(state.body, state.etag, state.failures, state.nextFetchMs);
    };
    const auto afterFailure = std::tuple(rss({"Theirs"}), "\"t\"", 1, T0 + 5'000 + 60'000);
    EXPECT_EQ(kept(copies.state(address)), afterFailure);
    EXPECT_EQ(kept(*stored.load(address).get()), afterFailure);
    EXPECT_EQ(firstTitle(copies, address), "Theirs");

    source.route("/feed.xml", rss({"Fetched"}));
    clock.advance(60s);
    clock.settle(2);
    ASSERT_EQ(source.targets().size(), 2u);
    EXPECT_EQ(firstTitle(copies, address), "Fetched");
    stored.save({address, true, rss({"Stale"}), "", address, "", "", T0 + 66'000, 0, T0 + 64'000}).get();
    clock.advance(5s);
    clock.settle(2);
    EXPECT_EQ(firstTitle(copies, address), "Fetched");
    EXPECT_EQ(copies.state(address).nextFetchMs, T0 + 65'000 + 60'000);
    EXPECT_EQ(source.targets().size(), 2u);
}

// A source is asked again once min_interval has passed since its last answer, to the millisecond.
TEST_P(SourcesTest, ASourceIsAskedAgainOnlyOnceMinIntervalHasPassed) {
    TestServer source;
    source.route("/feed.xml", rss({"One"}));
    const std::string address = source.base() + "feed.xml";
    ManualClock clock(T0);
    SourceCopies copies({address}, *database);
    FetchScheduler fetching(copies, *database, {{2s, 60s}, "test", 1}, clock);
    fetching.start({});
    clock.settle(2);
    ASSERT_EQ(source.targets().size(), 1u);
    EXPECT_EQ(SourceStates(*database).load(address).get()->nextFetchMs, T0 + 2'000);

    clock.advance(1'999ms);
    clock.settle(2);
    EXPECT_EQ(source.targets().size(), 1u);
    clock.advance(1ms);
    clock.settle(2);
    EXPECT_EQ(source.targets().size(), 2u);
}

// A failing source is asked again later and later, up to max_interval, and never given up; how it
// fares is kept for every process to see, and a good answer clears the failure.
TEST_P(SourcesTest, AFailingSourceBacksOffToMaxIntervalAndIsNeverGivenUp) {
    TestServer source;
    TestServer::Response failing;
    failing.status = 500;
    source.route("/feed.xml", failing);
    const std::string address = source.base() + "feed.xml";
    ManualClock clock(T0);
    SourceCopies copies({address}, *database);
    FetchScheduler fetching(copies, *database, {{10s, 40s}, "test", 1}, clock);
    fetching.start({});
    SourceStates stored(*database);
    std::vector<std::int64_t> waits;
    for (std::size_t fetched = 1; fetched <= 8; ++fetched) {
        clock.settle(2);
        ASSERT_EQ(source.targets().size(), fetched);
        const SourceState state = *stored.load(address).get();
        EXPECT_EQ(state.lastFetchMs, clock.nowMs());
        EXPECT_EQ(state.failures, static_cast<int>(fetched));
        waits.push_back((state.nextFetchMs - state.lastFetchMs) / 1000);
        clock.advance(std::chrono::milliseconds(state.nextFetchMs - clock.nowMs()));
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{10, 20, 40, 40, 40, 40, 40, 40}));
    const SourceState failed = *stored.load(address).get();
    EXPECT_EQ(std::tuple(failed.lastError, failed.lastSuccessMs), std::tuple("HTTP status 500", 0));

    source.route("/feed.xml", rss({"Back"}));
    clock.settle(2);
    ASSERT_EQ(source.targets().size(), 9u);
    const SourceState back = *stored.load(address).get();
    EXPECT_EQ(std::tuple(back.failures, back.lastError, back.lastSuccessMs, back.lastFetchMs),
              std::tuple(0, "", clock.nowMs(), clock.nowMs()));
    EXPECT_EQ(firstTitle(copies, address), "Back");
}

// Each worker asks one host at a time, so two sources of one host, whatever their ports, are
// never asked together while another host is asked beside them.
TEST_P(SourcesTest, OneRequestAtATimePerHostAndHostsSideBySide) {
    TestServer host, samePort2("127.0.0.1"), other("127.0.0.2");
    TestServer::Response held;
    held.body = rss({"Held"});
    held.hold = true;
    for (TestServer* server : {&host, &samePort2, &other})
        for (const char* path : {"/1", "/2"})
            server->route(path, held);
    const std::vector<std::string> sameHost{host.base() + "1", host.base() + "2", samePort2.base() + "1"};
    std::vector<std::string> all = sameHost;
    all.push_back(other.base() + "1");
    ManualClock clock(T0);
    SourceCopies copies(all, *database);
    FetchScheduler fetching(copies, *database, {{60s, 3600s}, "test", 4}, clock);
    fetching.start({});
    ASSERT_TRUE(other.waitForRequests(1, 10'000));
    const auto askedOfTheHost = [&] { return host.targets().size() + samePort2.targets().size(); };
    for (int i = 0; i < 1000 && askedOfTheHost() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    clock.settle(3); // two workers wait on their answers, two on a host
    EXPECT_EQ(askedOfTheHost(), 1u);
    EXPECT_EQ(other.targets().size(), 1u);

    for (TestServer* server : {&host, &samePort2, &other})
        server->release();
    clock.settle(5);
    EXPECT_EQ(askedOfTheHost(), 3u);
    for (const std::string& source : all)
        EXPECT_EQ(firstTitle(copies, source), "Held") << source;
}

std::set<std::string> ids(const std::shared_ptr<const std::string>& feed) {
    static const std::regex id("<brs:hlid>(\\d{19})</brs:hlid>");
    std::set<std::string> found;
    for (auto m = std::sregex_iterator(feed->begin(), feed->end(), id); m != std::sregex_iterator(); ++m)
        found.insert((*m)[1]);
    return found;
}

// A changed source rebuilds the channels that list it; the others keep their very documents.
TEST_P(SourcesTest, AChangedSourceRebuildsOnlyItsChannels) {
    const std::string a = folder.filePath(u"a.xml"_qs).toStdString();
    const std::string b = folder.filePath(u"b.xml"_qs).toStdString();
    std::ofstream(a) << rss({"A1"});
    std::ofstream(b) << rss({"B1"});
    ServerConfig config;
    config.minInterval = 60s;
    config.maxInterval = 3600s;
    config.fetchWorkers = 1;
    for (const auto& [number, sources] :
         std::vector<std::pair<int, std::vector<std::string>>>{{1, {a}}, {2, {b}}, {3, {a, b}}}) {
        ChannelEntry entry;
        entry.number = number;
        entry.feedAddress = "http://127.0.0.1/feeds/" + std::to_string(number) + ".xml";
        config.channels.push_back({entry, sources});
    }
    ManualClock clock(T0);
    ChannelBuilder builder(config, std::shared_ptr<Database>(std::move(database)), clock);
    builder.start();
    clock.settle(2);
    const auto document = [&](int channel) {
        return builder.documents().get(ServerConfig::feedPath(channel));
    };
    const auto first = document(1), second = document(2), both = document(3);
    ASSERT_EQ(ids(both).size(), 2u);

    std::ofstream(a) << rss({"A2", "A1"});
    clock.advance(60s);
    clock.settle(2);
    EXPECT_EQ(document(2).get(), second.get());
    EXPECT_EQ(ids(document(1)).size(), 2u);
    EXPECT_TRUE(std::ranges::includes(ids(document(1)), ids(first)));
    EXPECT_EQ(ids(document(3)).size(), 3u);
    EXPECT_TRUE(std::ranges::includes(ids(document(3)), ids(both)));
}

INSTANTIATE_TEST_SUITE_P(Engines, SourcesTest, ::testing::Bool(), engineName);

} // namespace
} // namespace brisma::server::test
