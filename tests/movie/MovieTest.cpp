#include "TestContext.h"
#include "common/BrismaError.h"
#include "movie/modMovieLoader.h"
#include "platform/fs/FileSystem.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>

namespace brisma {
namespace {

using namespace test;
using Names = std::vector<std::string>;

constexpr long long Piece = 131072;
// The movie base address followed by "/movie.xml".
constexpr const char* Catalogue = "/movies//movie.xml";

// Bytes that differ from position to position, so a misplaced chunk shows.
std::string movieBytes(long long size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251 + 3) & 0xFF);
    return bytes;
}

std::string complementFirst(std::string movie) {
    movie[0] = static_cast<char>(~static_cast<unsigned char>(movie[0]));
    return movie;
}

Names pieceNames(const std::string& id, long long size) {
    Names names;
    for (long long i = 1; i <= (size + Piece - 1) / Piece; ++i)
        names.push_back(id + "_" + std::to_string(i));
    return names;
}

std::string description(const std::string& id, const std::string& term, long long length, const Names& pieces,
                        bool withId = true) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movie>\r\n";
    if (withId)
        xml += "<id>" + id + "</id>\r\n";
    xml += "<length>" + std::to_string(length) + "</length>\r\n<term>" + term + "</term>\r\n<splitdata n=\"" +
           std::to_string(pieces.size()) + "\">";
    for (const auto& p : pieces)
        xml += "<piece>" + p + "</piece>";
    return xml + "</splitdata>\r\n</movie>\r\n";
}

std::string catalogue(const Names& ids) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movies>\r\n";
    for (const auto& id : ids)
        xml += "<movie id=\"" + id + "\"/>\r\n";
    return xml + "</movies>\r\n";
}

struct MovieTest : ::testing::Test {
    MovieTest() {
        t.script.movie = t.server.base() + "movies/";
        loader.makeMovieFolder();
    }
    // Serves a movie as the server does: its description file and its pieces.
    std::string serve(const std::string& id, const std::string& term, long long size) {
        const std::string movie = movieBytes(size);
        const Names names = pieceNames(id, size);
        t.server.route("/movies/" + id + "/" + id + ".xml", description(id, term, size, names));
        for (std::size_t i = 0; i < names.size(); ++i)
            t.server.route("/movies/" + id + "/" + names[i], movie.substr(i * Piece, Piece));
        return movie;
    }
    // A movie already in the cache with its description file and the pieces `present` of `movie`.
    void cache(const std::string& id, const std::string& xml, const std::string& movie, long long present) {
        t.folder.write("/movie/" + id + "/" + id + ".xml", xml);
        for (long long i = 0; i < present; ++i)
            t.folder.write("/movie/" + id + "/" + id + "_" + std::to_string(i + 1),
                           movie.substr(i * Piece, Piece));
    }
    Names files(const std::string& folder) {
        Names names = fs::existFolder(folder) ? fs::listFolder(folder, false) : Names{};
        std::sort(names.begin(), names.end());
        return names;
    }
    Names cycle() {
        t.server.clearRequests();
        loader.ProcMovie();
        return t.server.targets();
    }
    Names shown() {
        Names ids;
        for (int16_t i = 0; i < loader.movieList().intMax; ++i)
            ids.push_back(loader.movieList().GetMovieId(i));
        std::sort(ids.begin(), ids.end()); // in listing order, which the file system decides
        return ids;
    }
    // A fresh record, so nothing a previous description set hides what this one lacks.
    clsMovieInformation opened(const std::string& id) {
        clsMovieInformation record(t.paths, t.errors, t.clock, t.http, t.script);
        record.init(id);
        return record;
    }
    std::string root() const { return t.paths.movieRoot(); }
    TestContext t;
    modMovieLoader loader{t.paths, t.errors, t.gate, t.clock, t.http, t.script};
};

TEST_F(MovieTest, RecordFetchesOnePieceAtATimeAndJoinsByteExact) {
    const std::string movie = serve("m0000001", "2026/12/09", 2 * Piece + 1000);
    clsMovieInformation rec = opened("m0000001");
    EXPECT_TRUE(rec.usable()); // its "id" element is its own id
    EXPECT_FALSE(rec.updateDat());
    EXPECT_FALSE(rec.updateDat());
    EXPECT_TRUE(rec.updateDat());
    EXPECT_FALSE(rec.updateDat()); // the joined movie exists
    EXPECT_EQ(t.folder.read("/movie/m0000001/m0000001"), complementFirst(movie));
    EXPECT_EQ(t.server.targets(), (Names{"/movies/m0000001/m0000001.xml", "/movies/m0000001/m0000001_1",
                                         "/movies/m0000001/m0000001_2", "/movies/m0000001/m0000001_3"}));
    // Nothing half-written is left beside the final names.
    EXPECT_EQ(files(root() + "m0000001"),
              (Names{"m0000001", "m0000001.xml", "m0000001_1", "m0000001_2", "m0000001_3"}));
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(MovieTest, DescriptionFillsHeadlineAndTerm) {
    const std::string served = readTestData(BRISMA_TEST_DATA, "m0000001.xml");
    t.server.route("/movies/m0000001/m0000001.xml", served);
    clsMovieInformation rec = opened("m0000001");
    EXPECT_EQ(t.folder.read("/movie/m0000001/m0000001.xml"), served);
    const clsBrismaNews ad = rec.getAdvertisement();
    EXPECT_EQ(ad.strID, "90320261209m0000001");
    EXPECT_EQ(ad.strMovieId, "m0000001");
    EXPECT_EQ(ad.strNewsType, "mov");
    EXPECT_EQ(ad.strNewsText, "新製品①のご案内～");
    EXPECT_EQ(ad.strContName, "ブリスマ商事");
    EXPECT_EQ(ad.strNewsUrl, "http://example.jp/click?a=1&b=2");
    EXPECT_EQ(ad.strViewURL, "http://example.jp/view?m=m0000001");
    EXPECT_TRUE(rec.blnDate); // term tomorrow
    EXPECT_TRUE(rec.usable());
    t.clock.set(DateTime{2026, 12, 9, 0, 0, 1});
    EXPECT_FALSE(rec.checkTerm()); // on its term date the movie is out of its term

    // Without an "id" element the record keeps the id it was given.
    cache("m0000002", description("m0000002", "2026/12/10", 1, {"p"}, false), "", 0);
    const clsMovieInformation noId = opened("m0000002");
    EXPECT_EQ(noId.strMovieId, "m0000002");
    EXPECT_TRUE(noId.usable());
}

TEST_F(MovieTest, MissingMiddlePieceIsFetchedNext) {
    const std::string movie = movieBytes(3 * Piece);
    cache("m0000001", description("m0000001", "2026/12/10", 3 * Piece, pieceNames("m0000001", 3 * Piece)),
          movie, 3);
    fs::deleteFile(root() + "m0000001/m0000001_2");
    t.server.route("/movies/m0000001/m0000001_2", movie.substr(Piece, Piece));
    clsMovieInformation rec = opened("m0000001");
    EXPECT_FALSE(rec.blnLoaded);
    EXPECT_TRUE(rec.updateDat());
    EXPECT_EQ(t.server.targets(), Names{"/movies/m0000001/m0000001_2"});
    EXPECT_EQ(t.folder.read("/movie/m0000001/m0000001"), complementFirst(movie));
}

TEST_F(MovieTest, UnusableDescriptionsAndBrokenDownloadsWriteNothing) {
    // An id other than the movie's own would move the record's folder.
    cache("m0000001", description("../escape", "2026/12/10", 1, {"p"}), "", 0);
    const clsMovieInformation moved = opened("m0000001");
    EXPECT_EQ(moved.strMovieId, "m0000001");
    EXPECT_FALSE(moved.usable());
    EXPECT_TRUE(t.recorded.has("clsMovieInformation.ReadMovieIDtxtfromFile >"));

    // Piece names that leave the folder or would overwrite the joined movie or the description.
    const std::string movie = movieBytes(2 * Piece);
    t.folder.write("/movie/m0000002/m0000002", complementFirst(movie));
    for (const std::string bad :
         {"../escape", "sub/x", ".hidden", "a\\b", "..", "m0000002", "m0000002.xml"}) {
        cache("m0000002", description("m0000002", "2026/12/10", 2 * Piece, {"m0000002_1", bad}), movie, 1);
        clsMovieInformation rec = opened("m0000002");
        EXPECT_FALSE(rec.usable()) << bad;
        EXPECT_FALSE(rec.blnLoaded) << bad;
        EXPECT_FALSE(rec.updateDat()) << bad;
    }
    EXPECT_TRUE(t.recorded.has("clsMopvieInformation.updateDat >"));
    EXPECT_EQ(files(root()), (Names{"m0000001", "m0000002"}));
    EXPECT_EQ(files(root() + "m0000002"), (Names{"m0000002", "m0000002.xml", "m0000002_1"}));
    EXPECT_EQ(t.folder.read("/movie/m0000002/m0000002"), complementFirst(movie));
    EXPECT_TRUE(t.server.targets().empty());

    // Lengths the pieces cannot hold; the join refuses them too.
    const Names two = pieceNames("m0000003", 2 * Piece);
    for (const long long length : std::initializer_list<long long>{-1, 0, Piece, 2 * Piece + 1, INT32_MAX}) {
        t.recorded.reports.clear();
        cache("m0000003", description("m0000003", "2026/12/10", length, two), movie, 2);
        clsMovieInformation rec = opened("m0000003");
        EXPECT_FALSE(rec.usable()) << length;
        rec.uniteMovie();
        EXPECT_TRUE(t.recorded.has("clsMopvieInformation.uniteMovie >")) << length;
    }
    // Pieces that hold the length, but a movie far beyond what is joined in memory: refused
    // before a piece is read or a buffer allocated.
    Names huge;
    for (int i = 1; i <= 16384; ++i)
        huge.push_back("m0000004_" + std::to_string(i));
    cache("m0000004", description("m0000004", "2026/12/10", INT32_MAX, huge), "", 0);
    clsMovieInformation big = opened("m0000004");
    EXPECT_FALSE(big.usable());
    t.recorded.reports.clear();
    big.uniteMovie();
    ASSERT_EQ(t.recorded.reports.size(), 1u);
    EXPECT_EQ(t.recorded.reports[0].number, err::InvalidArgument);
    EXPECT_EQ(files(root() + "m0000004"), Names{"m0000004.xml"});

    // Downloads that break off: the description passes to the caller, a piece reports; neither
    // leaves anything under its name.
    TestServer::Response broken;
    broken.truncate = true;
    broken.body = movie.substr(Piece, Piece);
    t.server.route("/movies/m0000005/m0000005.xml", broken);
    EXPECT_THROW(opened("m0000005"), BrismaError);
    EXPECT_EQ(files(root() + "m0000005"), Names{});
    cache("m0000006", description("m0000006", "2026/12/10", 2 * Piece, pieceNames("m0000006", 2 * Piece)),
          movie, 1);
    t.server.route("/movies/m0000006/m0000006_2", broken);
    clsMovieInformation partial = opened("m0000006");
    EXPECT_FALSE(partial.updateDat());
    EXPECT_EQ(files(root() + "m0000006"), (Names{"m0000006.xml", "m0000006_1"}));
}

TEST_F(MovieTest, CycleFetchesOnePieceAndStartsTheNextMovieWhenOneCompletes) {
    t.server.route(Catalogue, catalogue({"m0000001", "m0000002"}));
    const std::string first = serve("m0000001", "2027/01/31", Piece + 10);
    serve("m0000002", "2027/01/31", 10);
    // An empty cache: the first catalogue movie starts, the second waits for it.
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml"}));
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001_1"}));
    EXPECT_EQ(loader.movieList().intMax, 0);
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001_2", "/movies/m0000002/m0000002.xml"}));
    EXPECT_EQ(t.folder.read("/movie/m0000001/m0000001"), complementFirst(first));
    EXPECT_EQ(shown(), Names{"m0000001"});
    EXPECT_EQ(loader.movieList().GetId(0), "90320270131m0000001");
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000002/m0000002_1"}));
    EXPECT_EQ(cycle(), Names{Catalogue}); // all cached: nothing starts again
    EXPECT_EQ(shown(), (Names{"m0000001", "m0000002"}));
    EXPECT_TRUE(loader.existMovieID("m0000002"));
    EXPECT_FALSE(loader.existMovieID("m0000003"));
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(MovieTest, TermsDecideWhatStaysAndWhatIsShown) {
    for (const auto& [id, term] :
         {std::pair{"m0000001", "2026/12/07"}, {"m0000002", "2026/12/08"}, {"m0000003", "2026/12/09"}}) {
        cache(id, description(id, term, 4, {std::string(id) + "_1"}), "abcd", 1);
        t.folder.write("/movie/" + std::string(id) + "/" + id, complementFirst("abcd"));
    }
    t.server.route(Catalogue, catalogue({"m0000001", "m0000002", "m0000003", "m0000004"}));
    t.server.route("/movies/m0000001/m0000001.xml", description("m0000001", "2026/12/07", 4, {"m0000001_1"}));
    serve("m0000004", "2026/12/01", 10);
    // The removed movie is still in the catalogue: looked at again, not started; nor is the
    // catalogue movie whose term passed before it started.
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml", "/movies/m0000004/m0000004.xml"}));
    EXPECT_EQ(files(root()), (Names{"m0000002", "m0000003", "movie.xml"}));
    EXPECT_EQ(shown(), Names{"m0000003"});
    EXPECT_TRUE(t.recorded.reports.empty()); // movie.xml was never taken for a movie

    // A movie in progress whose term passes leaves; the next one starts in the same cycle.
    cache("m0000005", description("m0000005", "2026/12/09", Piece + 1, pieceNames("m0000005", Piece + 1)),
          movieBytes(Piece), 1);
    t.server.route(Catalogue, catalogue({"m0000005", "m0000006"}));
    serve("m0000006", "2027/01/31", 10);
    t.clock.set(DateTime{2026, 12, 11, 9, 0, 0});
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000005/m0000005.xml", "/movies/m0000006/m0000006.xml"}));
    EXPECT_EQ(files(root()), (Names{"m0000006", "movie.xml"}));
}

TEST_F(MovieTest, HostileOrUnusableCataloguesChangeNothingOutsideTheCache) {
    t.server.route(Catalogue,
                   catalogue({"../escape", "a\\b", ".hidden", "", "sub/dir", "..", "abcdexml", "m0000001"}));
    serve("m0000001", "2027/01/31", 10);
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml"}));
    EXPECT_EQ(files(root()), (Names{"m0000001", "movie.xml"}));
    EXPECT_EQ(files(t.folder.path()), (Names{"flash", "movie"}));
    EXPECT_FALSE(loader.existMovieID("../escape"));

    // A failed download keeps the previous catalogue; one without movies keeps the list.
    const std::string previous = t.folder.read("/movie/movie.xml");
    TestServer::Response broken;
    broken.truncate = true;
    broken.body = catalogue({"m0000002"});
    t.server.route(Catalogue, broken);
    cycle();
    EXPECT_TRUE(t.recorded.has("modMovieLoader.downloadMovietxtFromServer >"));
    EXPECT_EQ(t.folder.read("/movie/movie.xml"), previous);
    t.server.route(Catalogue, std::string("<movies/>"));
    cycle();
    EXPECT_TRUE(t.recorded.has("modMovieLoader.getMovietxtfromFile >"));
    EXPECT_TRUE(loader.existMovieID("m0000001"));
    // A catalogue without movies is a normal path; one that is no document is a fault.
    const auto kindOfCatalogueReport = [&] {
        for (auto r = t.recorded.reports.rbegin(); r != t.recorded.reports.rend(); ++r)
            if (r->text.starts_with("modMovieLoader.getMovietxtfromFile >"))
                return r->kind;
        return ErrorReporter::Kind::notice;
    };
    EXPECT_EQ(kindOfCatalogueReport(), ErrorReporter::Kind::normalPath);
    t.server.route(Catalogue, std::string("<movies><movie id=\"m0000003\">"));
    cycle();
    EXPECT_EQ(kindOfCatalogueReport(), ErrorReporter::Kind::fault);
    EXPECT_TRUE(loader.existMovieID("m0000001"));
}

TEST_F(MovieTest, NamespaceDeclarationsBeforeTheIdAreNoAttributes) {
    t.server.route(Catalogue, std::string("<movies><movie xmlns=\"urn:m\" xmlns:x=\"urn:x\" id=\"m0000001\" "
                                          "x:kind=\"new\"/></movies>"));
    serve("m0000001", "2027/01/31", 10);
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml"}));
    EXPECT_TRUE(loader.existMovieID("m0000001"));
    EXPECT_TRUE(t.recorded.reports.empty());
}

TEST_F(MovieTest, AFailedJoinIsRetriedWithTheBadPieceFetchedAgain) {
    // Every piece in place but never joined (a stop between the last piece and the join): the
    // next cycle joins it, and the first catalogue movie starts in the same cycle.
    const std::string stopped = movieBytes(2 * Piece);
    cache("m0000003", description("m0000003", "2027/01/31", 2 * Piece, pieceNames("m0000003", 2 * Piece)),
          stopped, 2);
    t.server.route(Catalogue, catalogue({"m0000001", "m0000002"}));
    const std::string movie = serve("m0000001", "2027/01/31", Piece + 10);
    serve("m0000002", "2027/01/31", 10);
    t.server.route("/movies/m0000001/m0000001_1", movie.substr(0, 100)); // sent short once
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml"}));
    EXPECT_EQ(t.folder.read("/movie/m0000003/m0000003"), complementFirst(stopped));
    EXPECT_EQ(shown(), Names{"m0000003"});

    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001_1"}));
    // The join fails: the short piece goes, the movie stays in progress, the next one waits.
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001_2"}));
    EXPECT_TRUE(t.recorded.has("clsMopvieInformation.uniteMovie >"));
    EXPECT_EQ(files(root() + "m0000001"), (Names{"m0000001.xml", "m0000001_2"}));
    EXPECT_EQ(shown(), Names{"m0000003"});

    t.server.route("/movies/m0000001/m0000001_1", movie.substr(0, Piece));
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001_1", "/movies/m0000002/m0000002.xml"}));
    EXPECT_EQ(t.folder.read("/movie/m0000001/m0000001"), complementFirst(movie));
    EXPECT_EQ(shown(), (Names{"m0000001", "m0000003"}));
}

// A description that cannot be fetched and joined as it stands, served for m0000001 ahead of the
// sound m0000002 in the catalogue.
struct Unusable {
    const char* name;
    std::string xml;
};

std::vector<Unusable> unusableDescriptions() {
    const char* term = "2027/01/31";
    const Names two = pieceNames("m0000001", 2 * Piece);
    Names huge;
    for (int i = 1; i <= 16384; ++i)
        huge.push_back("m0000001_" + std::to_string(i));
    return {
        {"PieceOutsideTheFolder", description("m0000001", term, 2 * Piece, {"m0000001_1", "../x"})},
        {"EmptyPieceName", description("m0000001", term, 2 * Piece, {"m0000001_1", ""})},
        {"PieceNamedTwice", description("m0000001", term, 2 * Piece, {"m0000001_1", "m0000001_1"})},
        {"PieceNamedLikeTheMovie", description("m0000001", term, 2 * Piece, {"m0000001_1", "m0000001"})},
        {"PieceNamedLikeTheDescription",
         description("m0000001", term, 2 * Piece, {"m0000001_1", "m0000001.xml"})},
        {"AnotherMoviesId", description("m0000002", term, 2 * Piece, pieceNames("m0000002", 2 * Piece))},
        {"NoPieces", description("m0000001", term, 1, {})},
        {"LengthThePiecesCannotHold", description("m0000001", term, Piece, two)},
        {"HugeButConsistent", description("m0000001", term, INT32_MAX, huge)},
    };
}

struct UnusableMovie : MovieTest, ::testing::WithParamInterface<Unusable> {};

TEST_P(UnusableMovie, NeverHoldsUpTheNextMovieAndIsNeverShown) {
    t.server.route(Catalogue, catalogue({"m0000001", "m0000002"}));
    t.server.route("/movies/m0000001/m0000001.xml", GetParam().xml);
    serve("m0000002", "2027/01/31", 10);
    // From the catalogue: dropped like a movie out of its term.
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000001/m0000001.xml", "/movies/m0000002/m0000002.xml"}));
    EXPECT_EQ(files(root()), (Names{"m0000002", "movie.xml"}));

    // From the cache, with pieces and a joined movie beside it: not in progress, not shown.
    fs::removeTree(root() + "m0000002");
    const std::string movie = movieBytes(2 * Piece);
    cache("m0000001", GetParam().xml, movie, 2);
    t.folder.write("/movie/m0000001/m0000001", complementFirst(movie));
    EXPECT_EQ(cycle(), (Names{Catalogue, "/movies/m0000002/m0000002.xml"}));
    EXPECT_EQ(files(root() + "m0000001"), (Names{"m0000001", "m0000001.xml", "m0000001_1", "m0000001_2"}));
    EXPECT_EQ(shown(), Names{});
}

INSTANTIATE_TEST_SUITE_P(Descriptions, UnusableMovie, ::testing::ValuesIn(unusableDescriptions()),
                         [](const ::testing::TestParamInfo<Unusable>& info) { return info.param.name; });

} // namespace
} // namespace brisma
