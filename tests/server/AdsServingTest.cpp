// Campaigns as the real executable serves them: the documents byte for byte in the client's
// formats, answered not to be stored, the content folder's own set aside, and the clicks on them
// billed or not as `ads --json` reports them after the server stopped, and as the operator's page
// shows them.
#include "ServerProcess.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <regex>
#include <thread>

namespace brisma::test {
namespace {

namespace fs = std::filesystem;
const fs::path Data = fs::path(BRISMA_TEST_DATA) / "ads";

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class AdsServingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisma-ads-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const std::string content = BRISMA_DEMO_CONTENT;
        std::ofstream(folder_ / "server.toml")
            << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ndata = \"var\"\n"
            << "content = \"" << content << "\"\nkeep_users = [\"DEMO0001\"]\nadmin_loopback = true\n"
            << "[[channel]]\nnumber = 1\nname = \"a\"\nsources = [\"" << content
            << "/../sources/general.xml\"]\n"
            << "[[channel]]\nnumber = 5\nname = \"b\"\nsources = [\"" << content
            << "/../sources/sports.rdf\"]\n"
            << "[ads]\nhouse_name = \"Brisma\"\nhouse_text = \"ハウス広告：Brisma "
               "をご利用いただきありがとうございます\"\n"
            << "house_url = \"https://example.com/house\"\n"
            << "[[campaign]]\nid = \"spring\"\nadvertiser = \"ひかり電機\"\nkind = \"text\"\n"
            << "start = 2020-01-01T00:00:00\nend = 2099-01-01T00:00:00\nchannels = [1]\n"
            << "daily_impressions = 1000\nclicks = 50\nname = "
               "\"ひかり電機\"\n"
            << "text = \"軽さは、自由だ。ひかりノート S1 & more\"\nurl = \"https://example.com/s1?a=1&b=2\"\n"
            << "[[campaign]]\nid = \"bar\"\nadvertiser = \"Brisma\"\nkind = \"banner\"\n"
            << "start = 2020-01-01T00:00:00\nend = 2099-01-01T00:00:00\nimage = \""
            << (Data / "banner.png").string()
            << "\"\ntext = \"バナー広告\"\nurl = \"https://example.com/bar\"\n"
            << "[[campaign]]\nid = \"notebook\"\nadvertiser = \"ひかり電機\"\nkind = \"movie\"\n"
            << "start = 2020-01-01T00:00:00\nend = 2098-06-30T12:00:00+09:00\nmovie = \"" << content
            << "/movies/80000001.qml\"\ntitle = \"軽さは、自由だ。\"\nurl = "
               "\"https://example.com/hikari/s1\"\n"
            << "[[campaign]]\nid = \"past\"\nadvertiser = \"x\"\nkind = \"movie\"\nstart = "
               "2020-01-01T00:00:00\n"
            << "end = 2020-06-01T00:00:00\nmovie = \"" << content << "/movies/80000002.qml\"\ntitle = \"t\"\n"
            << "url = \"https://example.com/past\"\n";
        server_ = std::make_unique<ServerProcess>(
            std::vector<std::string>{BRISMA_SERVER_EXE, "--config", (folder_ / "server.toml").string()});
        std::smatch m;
        ASSERT_TRUE(std::regex_match(server_->firstLine(), m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")))
            << server_->firstLine();
        client_ = std::make_unique<httplib::Client>("127.0.0.1", std::stoi(m[1]));
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(folder_);
    }

    std::string ads() {
        return runCommand(std::string(BRISMA_SERVER_EXE) + " ads --json --since 1d --config " +
                          (folder_ / "server.toml").string())
            .first;
    }

    fs::path folder_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(AdsServingTest, ServesTheCampaignsInTheClientsFormatsAndBillsTheirClicks) {
    for (const auto& [path, expected] : std::vector<std::pair<std::string, std::string>>{
             {"/ad/001.xml", "ad-001.xml"},
             {"/ad/005.xml", "ad-005.xml"},
             {"/scripts_desktop3.xml", "script.xml"},
             {"/ticker_banner/9999999000000000001.bmp", "banner.bmp"},
             {"/movies//movie.xml", "movie.xml"},
             {"/movies/10000001/10000001.xml", "movie-10000001.xml"}}) {
        const auto answer = client_->Get(path);
        ASSERT_TRUE(answer) << path;
        EXPECT_EQ(answer->status, 200) << path;
        EXPECT_TRUE(answer->body == slurp(Data / expected)) << path; // bytes too many to print
        EXPECT_EQ(answer->get_header_value("Cache-Control"), "no-store") << path;
    }
    EXPECT_TRUE(client_->Get("/movies/10000001/10000001.001")->body ==
                slurp(fs::path(BRISMA_DEMO_CONTENT) / "movies" / "80000001.qml"));
    // The content folder's own movie is not served beside the campaigns, nor a channel not configured.
    EXPECT_EQ(client_->Get("/movies/80000001/80000001.xml")->status, 404);
    EXPECT_EQ(client_->Get("/ad/012.xml")->status, 404);

    const auto click = [&](const std::string& user, const std::string& id) {
        return client_
            ->Get("/log/adclick?version=3.1.1&userid=" + user + "&channel=" + id.substr(0, 3) +
                  "&type=desktop3&adtype=pr&id=" + id + "&date=20261209&time=110000")
            ->status;
    };
    EXPECT_EQ(click("DEMO0001", "0019999000000000001"), 200);
    EXPECT_EQ(click("DEMO0001", "0019999000000000001"), 200);
    EXPECT_EQ(click("STRANGER", "0019999000000000001"), 200);
    EXPECT_EQ(client_->Get("/log/view?movie=10000001&date=20261209&time=110000")->status, 200);

    // The operator's page shows today's figures once the impressions are written (every second):
    // running campaigns first, a movie's impressions as plays, the caps' use.
    std::string page;
    for (int i = 0; i < 400 && page.find("data-ad=\"impressions\">1<") == std::string::npos; ++i) {
        if (i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        page = client_->Get("/admin/")->body;
    }
    const auto part = [&](const std::string& campaign) {
        const auto at = page.find("<article class=\"campaign\" data-campaign=\"" + campaign + "\"");
        return at == std::string::npos ? std::string() : page.substr(at, page.find("</article>", at) - at);
    };
    const auto shown = [&](const std::string& in, const std::string& key) {
        std::smatch m;
        return std::regex_search(in, m, std::regex("data-" + key + "\">([^<]*)<")) ? std::string(m[1])
                                                                                   : "none";
    };
    const std::string spring = part("spring"), movie = part("notebook");
    EXPECT_EQ(shown(spring, "ad=\"impressions"), "1");
    EXPECT_EQ(shown(spring, "ad=\"clicks"), "3");
    EXPECT_EQ(shown(spring, "ad=\"billable"), "1");
    EXPECT_EQ(shown(spring, "ad=\"rate"), "300.0%");
    EXPECT_EQ(shown(spring, "cap=\"daily"), "1 / 1,000 (0.1%)");
    EXPECT_EQ(shown(spring, "cap=\"clicks"), "1 / 50 (2.0%)");
    EXPECT_EQ(shown(movie, "ad=\"impressions"), "1");
    EXPECT_NE(movie.find("<th>再生</th>"), std::string::npos);
    EXPECT_NE(spring.find("配信中"), std::string::npos);
    EXPECT_NE(part("past").find("終了"), std::string::npos);
    EXPECT_LT(page.find("data-campaign=\"notebook\""), page.find("data-campaign=\"past\""));
    EXPECT_LT(page.find("data-campaign=\"bar\""), page.find("data-campaign=\"past\""));
    EXPECT_NE(page.find("日ごとの数字はそのまま残ります"), std::string::npos);
    EXPECT_NE(page.find("次にクライアントが起動したとき"), std::string::npos);
    ASSERT_EQ(server_->stop(), 0); // writes the impressions still in memory

    const std::string figures = ads();
    // Today's figures of a campaign: the last line of its period.
    const auto line = [&](const std::string& campaign) {
        const std::regex of("\\{\"campaign\":\"" + campaign + "\",\"day\":\"\\d{8}\",([^\\n]*)\\}");
        std::string last;
        for (std::sregex_iterator it(figures.begin(), figures.end(), of); it != std::sregex_iterator(); ++it)
            last = (*it)[1];
        return last;
    };
    EXPECT_EQ(line("spring"),
              "\"impressions\":1,\"clicks\":3,\"billable\":1,\"unbilled\":{\"unknown_user\":1,"
              "\"repeat\":1,\"ended\":0,\"unknown_ad\":0}");
    EXPECT_EQ(line("notebook"),
              "\"impressions\":1,\"clicks\":0,\"billable\":0,\"unbilled\":{\"unknown_user\":0,"
              "\"repeat\":0,\"ended\":0,\"unknown_ad\":0}");
}

} // namespace
} // namespace brisma::test
