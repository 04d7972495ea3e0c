// How the real executable's sources fare, as the operator sees it (`sources` and the operator's
// page), and what its fetching costs in threads with many hosts.
#include "ServerProcess.h"
#include "TestServer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

namespace brisma::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string rss(const std::string& title) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>S</title><item><title>" + title +
           "</title><link>https://news.example.jp/" + title + "</link></item></channel></rss>";
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    return all;
}

class SourcesServingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisma-sources-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A configuration of `channels` (number -> sources) with `server` lines added to [server].
    std::string configure(const std::string& name, const std::map<int, std::vector<std::string>>& channels,
                          const std::string& server = "") {
        const fs::path file = folder_ / (name + ".toml");
        std::ofstream out(file);
        out << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ndata = \"" << name
            << "-var\"\ncontent = \"" BRISMA_DEMO_CONTENT "\"\nmin_interval = \"1h\"\nmax_interval = \"2h\"\n"
            << "contact = \"ops@example.jp\"\n"
            << server;
        for (const auto& [number, sources] : channels) {
            out << "\n[[channel]]\nnumber = " << number << "\nname = \"C" << number
                << "\"\nowner = \"O\"\nsources = [";
            for (const std::string& source : sources)
                out << "\"" << source << "\", ";
            out << "]\n";
        }
        return file.string();
    }

    // `sources --json` once `until` holds for its lines, or the last one.
    std::vector<nlohmann::json>
    sources(const std::string& config, const std::function<bool(const std::vector<nlohmann::json>&)>& until) {
        std::vector<nlohmann::json> rows;
        for (int i = 0; i < 200; ++i) {
            rows.clear();
            for (const std::string& line : lines(
                     runCommand(std::string(BRISMA_SERVER_EXE) + " sources --json --config " + config).first))
                rows.push_back(nlohmann::json::parse(line));
            if (until(rows))
                return rows;
            std::this_thread::sleep_for(50ms);
        }
        return rows;
    }

    fs::path folder_;
};

int portOf(const ServerProcess& server) {
    std::smatch m;
    std::regex_match(server.firstLine(), m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)"));
    return m.empty() ? 1 : std::stoi(m[1]);
}

// A source answering 500 is listed first as failing, with its error and its channels, beside one
// that answers and one not yet answered; the operator's page shows the same.
TEST_F(SourcesServingTest, AFailingSourceShowsInSourcesAndOnThePage) {
    TestServer good, bad("127.0.0.3"), hanging("127.0.0.4"); // three hosts: the hanging one holds up none
    good.route("/feed.xml", rss("Good"));
    TestServer::Response failing;
    failing.status = 500;
    bad.route("/feed.xml", failing);
    TestServer::Response hang;
    hang.hang = true;
    hanging.route("/feed.xml", hang);
    const std::string goodSource = good.base() + "feed.xml", badSource = bad.base() + "feed.xml",
                      hangingSource = hanging.base() + "feed.xml";
    const std::string config =
        configure("one", {{1, {badSource}}, {2, {goodSource, badSource}}, {3, {hangingSource}}},
                  "admin_loopback = true\n");
    ServerProcess server({BRISMA_SERVER_EXE, "--config", config});
    ASSERT_TRUE(hanging.waitForRequests(1, 20'000));

    const std::vector<nlohmann::json> rows = sources(config, [](const std::vector<nlohmann::json>& rows) {
        return rows.size() == 3 && rows[0]["state"] == "failing" && rows[1]["state"] == "pending" &&
               rows[2]["state"] == "ok";
    });
    ASSERT_EQ(rows.size(), 3u);
    const std::regex utc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    const auto isTime = [&](const nlohmann::json& value) {
        return value.is_string() && std::regex_match(value.get<std::string>(), utc);
    };
    EXPECT_EQ(rows[0]["address"], badSource);
    EXPECT_EQ(rows[0]["channels"], nlohmann::json({1, 2}));
    EXPECT_EQ(rows[0]["state"], "failing");
    EXPECT_EQ(rows[0]["failures"], 1);
    EXPECT_EQ(rows[0]["last_error"], "HTTP status 500");
    EXPECT_TRUE(isTime(rows[0]["last_fetch"])) << rows[0];
    EXPECT_TRUE(rows[0]["last_success"].is_null());
    EXPECT_TRUE(isTime(rows[0]["next_fetch"])) << rows[0];
    EXPECT_EQ(rows[1], (nlohmann::json{{"address", hangingSource},
                                       {"channels", {3}},
                                       {"state", "pending"},
                                       {"failures", 0},
                                       {"last_error", nullptr},
                                       {"last_fetch", nullptr},
                                       {"last_success", nullptr},
                                       {"next_fetch", nullptr}}));
    EXPECT_EQ(rows[2]["address"], goodSource);
    EXPECT_EQ(rows[2]["state"], "ok");
    EXPECT_TRUE(rows[2]["last_error"].is_null());
    EXPECT_EQ(rows[2]["last_success"], rows[2]["last_fetch"]);
    EXPECT_EQ(rows[2].size(), 8u);

    // The table: a header and a line per source, each column starting where its header does.
    const std::vector<std::string> table =
        lines(runCommand(std::string(BRISMA_SERVER_EXE) + " sources --config " + config).first);
    ASSERT_EQ(table.size(), 4u);
    const std::size_t at = table[0].find("address");
    EXPECT_TRUE(table[0].starts_with("state"));
    EXPECT_EQ(table[1].find(badSource), at);
    EXPECT_EQ(table[2].find(hangingSource), at);
    EXPECT_EQ(table[3].find(goodSource), at);
    EXPECT_NE(table[1].find("HTTP status 500"), std::string::npos);

    httplib::Client client("127.0.0.1", portOf(server));
    const auto page = client.Get("/admin/");
    ASSERT_TRUE(page);
    ASSERT_EQ(page->status, 200);
    const std::size_t failingRow =
        page->body.find("data-source=\"" + badSource + "\" data-state=\"failing\"");
    const std::size_t okRow = page->body.find("data-source=\"" + goodSource + "\" data-state=\"ok\"");
    ASSERT_NE(failingRow, std::string::npos);
    ASSERT_NE(okRow, std::string::npos);
    EXPECT_LT(failingRow, okRow);
    const std::string failingCells = page->body.substr(failingRow, okRow - failingRow);
    for (const char* shown : {"失敗中", "001 C1", "002 C2", "HTTP status 500"})
        EXPECT_NE(failingCells.find(shown), std::string::npos) << shown;
}

std::size_t threadsOf(pid_t pid) {
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(tasks), fs::directory_iterator()));
}

// However many sources and hosts it fetches, the server runs as many threads: 300 sources on 300
// loopback hosts cost what 3 do, and every channel is built.
TEST_F(SourcesServingTest, ThreeHundredHostsCostNoMoreThreadsThanThree) {
    std::vector<std::unique_ptr<TestServer>> hosts;
    for (int i = 0; i < 300; ++i) {
        hosts.push_back(std::make_unique<TestServer>(
            "127.0." + std::to_string(i / 250) + "." + std::to_string(2 + i % 250), 1));
        hosts.back()->route("/feed.xml", rss("H" + std::to_string(i)));
    }
    const auto threadsWith = [&](int count) -> std::size_t {
        std::map<int, std::vector<std::string>> channels;
        for (int i = 0; i < count; ++i)
            channels[i + 1] = {hosts[static_cast<std::size_t>(i)]->base() + "feed.xml"};
        const std::string name = "hosts" + std::to_string(count);
        ServerProcess server({BRISMA_SERVER_EXE, "--config", configure(name, channels)});
        httplib::Client client("127.0.0.1", portOf(server));
        for (int i = 0; i < count; ++i) {
            char path[32];
            std::snprintf(path, sizeof path, "/feeds/%03d.xml", i + 1);
            const std::string title = "<title>H" + std::to_string(i) + "</title>";
            bool built = false;
            for (int tries = 0; tries < 1200 && !built; ++tries) {
                const auto r = client.Get(path);
                built = r && r->status == 200 && r->body.find(title) != std::string::npos;
                if (!built)
                    std::this_thread::sleep_for(50ms);
            }
            EXPECT_TRUE(built) << path;
        }
        return threadsOf(server.pid());
    };
    const std::size_t few = threadsWith(3);
    const std::size_t many = threadsWith(300);
    std::printf("threads: %zu with 3 hosts, %zu with 300\n", few, many);
    EXPECT_EQ(many, few);
}

} // namespace
} // namespace brisma::test
