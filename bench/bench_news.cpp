// Cost of the news model's hot paths: list insertion (with and without the event-loop yields),
// reading a feed into a channel, the merge, and the CP932 text of the merged-list file.
#include "common/Conversions.h"
#include "common/UserRecord.h"
#include "news/MovieHeadlines.h"
#include "news/NewsHost.h"
#include "news/modChannel.h"
#include "platform/Services.h"
#include "platform/events/EventGate.h"
#include "platform/http/HttpClient.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"

#include <QCoreApplication>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <unistd.h>

namespace {
std::atomic<long> allocations{0};
} // namespace

// Every heap allocation of the process is counted.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace brisma {
namespace {

struct NoHost : NewsHost {
    bool tickerOpen() const override { return true; }
    void saveSelectedChannels() override {}
    void restartListMovie() override {}
};

struct NoMessages : MessageBoxService {
    void show(const std::string&) override {}
};

struct Movies : MovieHeadlines {
    explicit Movies(const ErrorReporter& errors) : list(errors, nullptr) {}
    clsBrismaNewsList& movieList() override { return list; }
    bool existMovieID(const std::string& id) override { return catalogue.count(id) > 0; }
    clsBrismaNewsList list;
    std::set<std::string> catalogue;
};

// An application folder and a context that touches no network.
struct Context {
    Context() {
        std::filesystem::create_directories(folder + "/flash/xml");
        std::filesystem::create_directories(folder + "/flash/banner");
    }
    ~Context() { std::filesystem::remove_all(folder); }
    std::string folder =
        std::filesystem::temp_directory_path().string() + "/bench_news_" + std::to_string(::getpid());
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    NoMessages messages;
    Services s{{folder, "http://127.0.0.1:18080/", messages, &clock, {}}};
};

std::string headlineId(int channel, long n) {
    std::string digits = std::to_string(n);
    return conv::ZeroPad(channel, 3) + std::string(16 - digits.size(), '0') + digits;
}

std::string feedBytes(int channel, int count) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\" "
        "xmlns:brs=\"http://brs/\">";
    for (int i = 0; i < count; ++i)
        out += "<item><brs:hlid>" + headlineId(channel, 1000 + i) + "</brs:hlid><credit>News agency " +
               std::to_string(i % 7) + "</credit><brs:type>pol</brs:type><title>Headline number " +
               std::to_string(i) + " about the day's events</title><link>http://news.example/" +
               std::to_string(channel) + "/" + std::to_string(i) + "</link></item>";
    return out + "</rdf:RDF>";
}

void insertHeadlines(benchmark::State& state, bool gated) {
    constexpr int kInsertions = 10'000;
    Context c;
    clsBrismaNewsList list(c.s.errors, gated ? &c.s.gate : nullptr);
    list.init(100);
    std::vector<clsBrismaNews> source;
    for (int i = 0; i < 16; ++i) {
        clsBrismaNews n(c.s.errors);
        n.SetData(headlineId(5, i), "", "", "Agency " + std::to_string(i), "", "", "", "pol",
                  std::string(20 + 3 * i, 'x'), "http://news.example/" + std::to_string(i), false, "", "");
        source.push_back(n);
    }
    for (int i = 0; i < 200; ++i) // every record reaches its largest text once
        list.InsertNews(source[static_cast<std::size_t>(i) % source.size()]);

    long counted = 0;
    for (auto _ : state) {
        const long before = allocations.load();
        for (int i = 0; i < kInsertions; ++i)
            list.InsertNews(source[static_cast<std::size_t>(i) % source.size()]);
        counted += allocations.load() - before;
    }
    const double insertions = static_cast<double>(state.iterations()) * kInsertions;
    state.SetItemsProcessed(static_cast<int64_t>(insertions));
    state.counters["ns_per_insert"] =
        benchmark::Counter(insertions, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_insert"] = static_cast<double>(counted) / insertions;
}

void BM_InsertNews(benchmark::State& state) {
    insertHeadlines(state, false);
}
void BM_InsertNewsYielding(benchmark::State& state) {
    insertHeadlines(state, true);
}
BENCHMARK(BM_InsertNews)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertNewsYielding)->Unit(benchmark::kMillisecond);

// A 100-item feed into a channel of count 100; Arg(1) includes parsing the bytes.
void BM_ReadFeed(benchmark::State& state) {
    Context c;
    const std::string bytes = feedBytes(5, 100);
    const auto channelDoc = XmlDocument::fromBytes(
        "<channel kind=\"news\"><number>5</number><name-JP>n</name-JP><type-JP>t</type-JP><owner>o</owner>"
        "<count>100</count><hlid>h</hlid><password>p</password></channel>");
    clsBrismaChannel channel(c.s.paths, c.s.errors, c.s.gate, c.s.http, c.s.script);
    channel.SetFromXML(channelDoc.documentElement());
    const XmlDocument parsed = XmlDocument::fromBytes(bytes);
    long counted = 0;
    for (auto _ : state) {
        const long before = allocations.load();
        const XmlDocument doc = state.range(0) ? XmlDocument::fromBytes(bytes) : XmlDocument();
        const auto items = (state.range(0) ? doc : parsed).getElementsByTagName("item");
        for (const auto& item : items)
            channel.InsertNewsXML(item);
        counted += allocations.load() - before;
    }
    state.counters["allocs_per_feed"] =
        static_cast<double>(counted) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadFeed)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 8 favourite channels x 100 headlines and 20 movie headlines, news998.xml written each time.
void BM_SortIdWithMovie(benchmark::State& state) {
    Context c;
    UserRecord user;
    modInet inet(c.s.errors, c.s.clock, c.s.http, c.s.script, user);
    NoHost host;
    Movies movies(c.s.errors);
    modChannel mc(c.s.paths, c.s.errors, c.s.gate, c.s.http, c.s.script, c.s.serverBase, c.s.messages, inet,
                  host, movies);
    mc.objChannel.reserve(8);
    for (int ch = 1; ch <= 8; ++ch) {
        const auto entry =
            XmlDocument::fromBytes("<channel kind=\"news\"><number>" + std::to_string(ch) +
                                   "</number><name-JP>n</name-JP><type-JP>t</type-JP><owner>o</owner>"
                                   "<count>100</count><hlid>h</hlid><password>p</password></channel>");
        clsBrismaChannel& channel =
            mc.objChannel.emplace_back(c.s.paths, c.s.errors, c.s.gate, c.s.http, c.s.script);
        channel.SetFromXML(entry.documentElement());
        channel.blnFav = true;
        const auto feed = XmlDocument::fromBytes(feedBytes(ch, 100));
        for (const auto& item : feed.getElementsByTagName("item"))
            channel.InsertNewsXML(item);
        channel.intNewsNum = 100;
    }
    mc.intChannelNum = 8;
    movies.list.init(20);
    for (int16_t i = 0; i < 20; ++i) {
        const std::string movieId = conv::ZeroPad(100 + i, 8);
        clsBrismaNews n(c.s.errors);
        n.SetData("90320261231" + movieId, "", "", "Owner", "", "", "", "mov", "Movie", "http://m/", false,
                  movieId, "http://m/v");
        movies.list.SetNews(i, n);
        movies.catalogue.insert(movieId);
    }
    for (auto _ : state)
        mc.SortIdWithMovie();
    state.counters["merged"] = mc.objNewsList ? mc.objNewsList->intMax : 0;
}
BENCHMARK(BM_SortIdWithMovie)->Unit(benchmark::kMillisecond);

// The CP932 text of a merged list of 820 Japanese headlines, as news998.xml is written.
void BM_ToCp932Xml(benchmark::State& state) {
    std::string xml;
    for (int i = 0; i < 820; ++i)
        xml += "<title>政府、来年度予算案を閣議決定　一般会計は過去最大の" + std::to_string(i) +
               "兆円</title>\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(text::toCp932Xml(xml));
    state.counters["utf8_bytes"] = static_cast<double>(xml.size());
}
BENCHMARK(BM_ToCp932Xml)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace brisma

int main(int argc, char** argv) {
    brisma::text::installShiftJisAliases();
    QCoreApplication app(argc, argv); // the yielding list runs a real processEvents per step
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
