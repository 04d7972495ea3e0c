#include "TestContext.h"
#include "movie/modMovieLoader.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace brisma {
namespace {

using namespace test;

// The demo server binary on a free port of its choosing; the address is read from its first
// line on stderr.
class DemoServer {
public:
    explicit DemoServer(const std::string& content) {
        int err[2];
        if (::pipe(err) != 0)
            return;
        const char* argv[] = {BRISMA_DEMO_SERVER, "--port", "0", "--content", content.c_str(), nullptr};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(err[1], 2);
            ::close(err[0]);
            ::close(err[1]);
            ::execv(argv[0], const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(err[1]);
        log_ = ::fdopen(err[0], "r");
        char line[1024];
        const std::string mark = "demo server on ";
        while (base_.empty() && std::fgets(line, sizeof line, log_)) {
            const std::string text = line;
            if (const auto at = text.find(mark); at != std::string::npos)
                base_ = text.substr(at + mark.size(), text.find(' ', at + mark.size()) - at - mark.size());
        }
    }
    ~DemoServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (log_)
            std::fclose(log_);
    }
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    const std::string& base() const { return base_; }

private:
    pid_t pid_ = -1;
    std::FILE* log_ = nullptr;
    std::string base_;
};

struct DemoMovieTest : ::testing::Test {
    // Runs movie cycles against the demo server on `content` until every movie of `sources`
    // (id -> its QML file) is in the cache, then compares each joined movie with its file.
    void cacheAndCompare(const std::string& content, const std::map<std::string, std::string>& sources) {
        DemoServer server(content);
        ASSERT_FALSE(server.base().empty()) << "the demo server did not start";
        t.script.movie = server.base() + "movies/";
        modMovieLoader loader(t.paths, t.errors, t.gate, t.clock, t.http, t.script);
        loader.makeMovieFolder();
        // One cycle per description and one per piece, at most.
        for (int cycle = 0; cycle < 12 && loader.movieList().intMax < static_cast<int16_t>(sources.size());
             ++cycle)
            loader.ProcMovie();
        EXPECT_TRUE(t.recorded.reports.empty()) << t.recorded.reports.front().text;
        ASSERT_EQ(loader.movieList().intMax, static_cast<int16_t>(sources.size()));
        for (const auto& [id, file] : sources) {
            std::string joined = t.folder.read("/movie/" + id + "/" + id);
            ASSERT_FALSE(joined.empty()) << id;
            joined[0] = static_cast<char>(~static_cast<unsigned char>(joined[0]));
            EXPECT_TRUE(joined == readTestData(content + "/movies", file)) << id << " is not its file";
        }
        for (int16_t i = 0; i < loader.movieList().intMax; ++i) {
            clsBrismaNews headline(t.errors);
            loader.movieList().CopyTo(headline, i);
            headlines[headline.strMovieId] = headline.strNewsText;
            EXPECT_EQ(headline.strViewURL, server.base() + "log/view?movie=" + headline.strMovieId);
        }
    }
    TestContext t;
    std::map<std::string, std::string> headlines;
};

TEST_F(DemoMovieTest, BundledMoviesReachTheCacheByteExactWithTheirHeadlines) {
    cacheAndCompare(BRISMA_DEMO_CONTENT, {{"80000001", "80000001.qml"}, {"80000002", "80000002.qml"}});
    EXPECT_EQ(headlines,
              (std::map<std::string, std::string>{{"80000001", "軽さは、自由だ。ひかりノート S1 登場"},
                                                  {"80000002", "お知らせ：年末年始のニュース配信について"}}));
}

TEST_F(DemoMovieTest, MovieLongerThanAPieceIsSplitAndJoinedByteExact) {
    TempAppFolder content;
    std::string movie(2 * 131072 + 300, '\0');
    for (std::size_t i = 0; i < movie.size(); ++i)
        movie[i] = static_cast<char>((i * 31 + i / 4093) & 0xFF);
    content.write("/movies/90000001.qml", movie);
    content.write("/movies/movie.xml",
                  "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<movies><movie id=\"90000001\" "
                  "text=\"三分割の動画\" term=\"2099/12/31\"/></movies>\n");
    cacheAndCompare(content.path(), {{"90000001", "90000001.qml"}});
    EXPECT_EQ(headlines, (std::map<std::string, std::string>{{"90000001", "三分割の動画"}}));
}

} // namespace
} // namespace brisma
