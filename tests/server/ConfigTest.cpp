// The operator's file: the demo's own configuration reads whole, and each kind of fault ends in
// one line naming the file, the line and what is wrong.
#include "server/config/ServerConfig.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace brisma::server {
namespace {

namespace fs = std::filesystem;

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisma-config-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "content");
        std::ofstream(folder_ / "content" / "scripts_desktop3.xml") << "<Scripts/>";
        std::ofstream(folder_ / "local.xml") << "<rss/>";
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string write(const std::string& text) {
        const fs::path file = folder_ / "server.toml";
        std::ofstream(file) << text;
        return file.string();
    }

    // The one line loading `text` ends with, the file's path left out.
    std::string fault(const std::string& text) {
        const std::string file = write(text);
        try {
            loadConfig(file);
        } catch (const ConfigError& e) {
            const std::string line = e.what();
            EXPECT_EQ(line.rfind(file + ":", 0), 0u) << line;
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
            return line.substr(file.size() + 1);
        }
        return "no fault";
    }

    fs::path folder_;
};

const std::string Server = "[server]\n"                        // 1
                           "listen = \"127.0.0.1:1\"\n"        // 2
                           "content = \"content\"\n"           // 3
                           "min_interval = \"5m\"\n"           // 4
                           "contact = \"ops@example.jp\"\n\n"; // 5, 6
const std::string Channel = "[[channel]]\n"                    // 7
                            "number = 1\n"                     // 8
                            "name = \"総合\"\n"                // 9
                            "sources = [\"local.xml\"]\n";     // 10

TEST_F(ConfigTest, TheDemoConfigurationReadsWithItsPathsAgainstItsFolder) {
    const ServerConfig config = loadConfig(BRISMA_DEMO_CONFIG);
    const fs::path demo = fs::path(BRISMA_DEMO_CONFIG).parent_path();
    ASSERT_EQ(config.channels.size(), 13u);
    EXPECT_EQ(config.listenHost, "127.0.0.1");
    EXPECT_EQ(config.listenPort, 18080);
    EXPECT_EQ(config.contentFolder, (demo / "content").lexically_normal().string());
    EXPECT_EQ(config.minInterval, std::chrono::minutes(1));
    const ChannelConfig& first = config.channels.front();
    EXPECT_EQ(first.entry.feedAddress, "http://127.0.0.1:18080/feeds/001.xml");
    EXPECT_EQ(first.sources.at(0), (demo / "sources" / "general.xml").string());
    EXPECT_EQ(config.keepUsers, std::vector<std::string>{"DEMO0001"}); // the seeded user of demo/home-seed
}

TEST_F(ConfigTest, DefaultsFillWhatTheOperatorLeftOut) {
    const ServerConfig config = loadConfig(write(Server + Channel));
    EXPECT_EQ(config.base, "http://127.0.0.1:1/");
    EXPECT_EQ(config.dataFolder, (folder_ / "var").string());
    EXPECT_EQ(config.maxInterval, std::chrono::hours(24));
    EXPECT_EQ(config.channels.at(0).entry.count, 10);
    EXPECT_EQ(config.channels.at(0).entry.type, "all");
    EXPECT_EQ(config.database, "");
    EXPECT_EQ(config.keepDays, 0);
    EXPECT_EQ(config.fetchWorkers, 4);
}

TEST_F(ConfigTest, EachFaultNamesItsLine) {
    const auto channelWith = [](const std::string& line) { return Channel + line + "\n"; };
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 901\nname = \"x\"\nsources = [\"local.xml\"]\n"),
              "8: channel number 901 out of range (1 to 899)");
    EXPECT_EQ(fault(Server + Channel + Channel), "12: duplicate channel number 1");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 2\nname = \"x\"\nsources = []\n"),
              "10: channel 2 has no source");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 2\nname = \"x\"\n"), "7: channel 2 has no source");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nmin_interval = \"5 minutes\"\n" + Channel),
              "3: bad duration \"5 minutes\" for \"min_interval\" (a number and s, m, h or d, as in \"5m\")");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 2\nname = \"x\"\nsources = [\"missing.xml\"]\n"),
              "10: unreadable source file \"" + (folder_ / "missing.xml").string() + "\"");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 2\nname = \"x\"\nsources = [\"ftp://example.jp/a\"]\n"),
              "10: source \"ftp://example.jp/a\" is neither http nor https");
    EXPECT_EQ(fault(Server + channelWith("cout = 5")), "11: unknown key \"cout\"");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = \"1\"\n"), "8: \"number\" must be an integer");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nadmin_token = \"short\"\n" + Channel),
              "3: admin_token is shorter than 16 characters");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nadmin_loopback = \"yes\"\n" + Channel),
              "3: \"admin_loopback\" must be true or false");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nfetch_workers = 0\n" + Channel),
              "3: fetch_workers must be a number of threads from 1 to 64");
    EXPECT_EQ(fault(Server + channelWith("count = 0")), "11: count 0 out of range (1 to 100)");
    EXPECT_EQ(fault("[server]\nlisten = \"127.0.0.1\"\n" + Channel),
              "2: bad listen address \"127.0.0.1\" (address:port)");
    EXPECT_EQ(
        fault("[server]\ncontent = \"content\"\nmin_interval = \"2h\"\nmax_interval = \"1h\"\n" + Channel),
        "4: max_interval is shorter than min_interval");
    // An address as a source needs a contact for the User-Agent.
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\n[[channel]]\nnumber = 2\nname = \"x\"\nsources = "
                    "[\"https://example.jp/feed\"]\n"),
              "1: contact is required when a source is an address: it goes into the User-Agent");
    EXPECT_EQ(fault(Server + "[[channel]\n").substr(0, 3), "7: ");
    EXPECT_EQ(fault(Server), "1: no [[channel]]");
    EXPECT_EQ(fault("[server]\nlisten = \"127.0.0.1:0\"\n" + Channel),
              "2: listen names port 0, so base must be given");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nkeep_days = -1\n" + Channel),
              "3: keep_days must be a number of days from 1 to 36500, or 0 to keep");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nlog_format = \"xml\"\n" + Channel),
              "3: log_format must be \"text\" or \"json\"");
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nreports_per_minute = 0\n" + Channel),
              "3: reports_per_minute must be a number from 1 to 1000000000");
    for (const std::string range : {"10.0.0.0/33", "2001:db8::/129", "10.0.0.0/", "example.jp"})
        EXPECT_EQ(fault("[server]\ncontent = \"content\"\ntrusted_proxies = [\n\"::1\",\n\"" + range +
                        "\"]\n" + Channel),
                  "5: trusted_proxies: not an address or CIDR range (\"192.0.2.1\", \"10.0.0.0/8\", "
                  "\"2001:db8::/32\")")
            << range;
    EXPECT_EQ(fault("[server]\ncontent = \"content\"\nkeep_users = [\"\"]\n" + Channel),
              "3: keep_users must be a list of user ids");
    // Also under --check: the address is read with the file, not first when the store opens.
    EXPECT_EQ(
        fault(Server + "database = \"postgresql://db/news?sslmode=requir\"\n" + Channel),
        "7: database: sslmode \"requir\" is none of disable, allow, prefer, require, verify-ca, verify-full");
    // Names the system cannot look up are faults of the file as well.
    const std::string tooLong(300, 'n');
    EXPECT_EQ(fault("[server]\ncontent = \"" + tooLong + "\"\n" + Channel),
              "2: content folder \"" + (folder_ / tooLong).string() + "\" holds no scripts_desktop3.xml");
    EXPECT_EQ(fault(Server + "[[channel]]\nnumber = 2\nname = \"x\"\nsources = [\"" + tooLong + "\"]\n"),
              "10: unreadable source file \"" + (folder_ / tooLong).string() + "\"");
}

// Campaign lines start at 11: a text campaign, then what breaks it.
const std::string Text = "[[campaign]]\n"                    // 11
                         "id = \"spring\"\n"                 // 12
                         "advertiser = \"ひかり電機\"\n"     // 13
                         "kind = \"text\"\n"                 // 14
                         "start = 2027-04-01T00:00:00\n"     // 15
                         "end = 2027-05-01T00:00:00+09:00\n" // 16
                         "name = \"n\"\ntext = \"t\"\nurl = \"https://example.jp/\"\n";
const std::string House =
    "[ads]\nhouse_name = \"h\"\nhouse_text = \"t\"\nhouse_url = \"https://example.jp/\"\n";

TEST_F(ConfigTest, CampaignsAreReadWithTheirFlightInJapanTimeAndEachFaultOnItsLine) {
    const ServerConfig config = loadConfig(write(Server + Channel + Text + House));
    ASSERT_EQ(config.campaigns.size(), 1u);
    EXPECT_EQ(config.campaigns[0].startMs, 1806505200000); // 2027-03-31T15:00:00Z
    EXPECT_EQ(config.campaigns[0].endMs, 1809097200000);
    EXPECT_EQ(config.house.text, "t");

    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = Text;
        text.replace(text.find(from), from.size(), to);
        return fault(Server + Channel + text + House);
    };
    EXPECT_EQ(fault(Server + Channel + Text),
              "11: a text campaign is booked, so [ads] must give the house text");
    EXPECT_EQ(with("id = \"spring\"", "id = \"spring day\""),
              "12: bad campaign id \"spring day\" (letters, digits and \"-\")");
    EXPECT_EQ(with("kind = \"text\"", "kind = \"video\""),
              "14: campaign kind \"video\" is none of text, banner, movie");
    EXPECT_EQ(with("end = 2027-05-01T00:00:00+09:00", "end = 2027-03-01T00:00:00"),
              "16: campaign spring ends before it starts");
    EXPECT_EQ(with("start = 2027-04-01T00:00:00", "start = \"April\""),
              "15: \"start\" must be a date-time, as in 2027-04-01T00:00:00");
    EXPECT_EQ(with("name = \"n\"", "name = \"n\"\nchannels = [2]"),
              "18: channels names no configured channel");
    EXPECT_EQ(with("name = \"n\"", "name = \"n\"\nimage = \"x.png\""), "18: unknown key \"image\"");
    EXPECT_EQ(fault(Server + Channel + Text + Text + House), "21: duplicate campaign id \"spring\"");
    // A banner's image is read with the file: a date alone is its midnight.
    const std::string fault17 =
        fault(Server + Channel +
              "[[campaign]]\nid = \"b\"\nadvertiser = \"a\"\nkind = \"banner\"\nstart = "
              "2027-04-01\nend = 2027-05-01\nimage = \"local.xml\"\ntext = \"t\"\nurl = \"u\"\n");
    EXPECT_TRUE(fault17.starts_with("17: ") &&
                fault17.ends_with("local.xml: neither a PNG nor a Windows bitmap"))
        << fault17;
}

TEST_F(ConfigTest, DurationsCombineUnits) {
    std::chrono::seconds d{};
    ASSERT_TRUE(parseDuration("1h30m15s", d));
    EXPECT_EQ(d.count(), 5415);
    ASSERT_TRUE(parseDuration("7d", d));
    EXPECT_EQ(d.count(), 7 * 86400);
    for (const char* bad : {"", "5", "m", "5w", "-5m", "5m3", "900000h", "999999999h999999999h"})
        EXPECT_FALSE(parseDuration(bad, d)) << bad;
}

} // namespace
} // namespace brisma::server
