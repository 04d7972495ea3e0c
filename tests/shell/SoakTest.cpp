// Many refresh cycles against feeds whose headlines change every cycle, with clicks between
// them: memory and descriptors level off and the logs keep their sizes.
#include "NormalStart.h"
#include "news/modChannel.h"
#include "platform/text/Cp932.h"
#include "shell/frmMain.h"
#include "userdata/modUserData.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace brisma::test {
namespace {

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

long openDescriptors() {
    long n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

std::string headlineId(int channel, int cycle, int item) {
    char id[24];
    std::snprintf(id, sizeof id, "%03d2026%06d%06d", channel, cycle, item);
    return id;
}

// Three headlines of `channel` that no earlier cycle had.
std::string feed(const std::string& base, int channel, int cycle) {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\" "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:brs=\"" +
        base + "\">\r\n<channel rdf:about=\"" + base + "feeds/" + std::to_string(channel) +
        ".xml\"><title>経済</title><link>" + base + "</link></channel>\r\n";
    for (int i = 0; i < 3; ++i) {
        const std::string url = "https://example.com/" + headlineId(channel, cycle, i);
        s += "<item rdf:about=\"" + url + "\"><brs:hlid>" + headlineId(channel, cycle, i) +
             "</brs:hlid><brs:type>biz</brs:type><title>第" + std::to_string(cycle) + "報・見出し" +
             std::to_string(i) + "</title><link>" + url + "</link><credit>共同</credit></item>\r\n";
    }
    return text::toCp932(s + "</rdf:RDF>\r\n");
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// BRISMA_SOAK_CYCLES sets the length (1000 for the long run); memory is compared from cycle 100
// (a fifth of the way in on shorter runs), once caches and the allocator have settled.
TEST_F(NormalStart, ThousandsOfChangingHeadlinesLeaveMemoryDescriptorsAndLogsLevel) {
    const char* env = std::getenv("BRISMA_SOAK_CYCLES");
    const int cycles = env ? std::atoi(env) : 60;
    const int reference = std::min(100, cycles / 5);
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    frmMain& main = t.app().main();
    long referenceKiB = 0, referenceFds = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        for (int ch : kChannels)
            server.route("/feeds/" + std::to_string(ch) + ".xml", feed(server.base(), ch, cycle));
        for (int i = 0; i < 301; ++i)
            t.app().handle([&] { main.TimerHTTP_Timer(); });
        ASSERT_EQ(main.intHTTPTimerCountByMinutes, 0) << "cycle " << cycle << " did not refresh";

        clsBrismaNews headline(t.app().errors());
        ASSERT_GT(
            t.app().channels().objNewsList->GetNewsById(headline, headlineId(kChannels[cycle % 8], cycle, 1)),
            0)
            << "cycle " << cycle;
        t.app().handle([&] { t.app().userData().setClickLog(headline); });
        headline.strID = headlineId(903, cycle, 0);
        headline.strNewsType = "mov";
        t.app().handle([&] { t.app().userData().setClickLog(headline); });
        server.clearRequests();

        if (cycle == reference) {
            t.app().services().http.flush(3000);
            referenceKiB = residentKiB();
            referenceFds = openDescriptors();
        }
    }
    t.app().services().http.flush(3000);
    EXPECT_EQ(openDescriptors(), referenceFds);
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine holds freed memory back, so only the plain build measures it.
    EXPECT_LE(residentKiB(), referenceKiB * 105 / 100)
        << "at cycle " << reference << ": " << referenceKiB << " KiB";
#endif
    RecordProperty("resident_kib_reference", std::to_string(referenceKiB));
    RecordProperty("resident_kib_end", std::to_string(residentKiB()));
    // The logs keep their fixed sizes, the newest entries filled.
    const auto logged = [&](const std::string& file) {
        const std::string text = folder.read(file);
        return std::pair{countOf(text, "<item>"),
                         countOf(text, "<item>") - countOf(text, "<brs:hlid></brs:hlid>")};
    };
    EXPECT_EQ(logged("/flash/xml/news901.xml"), std::pair(100, std::min(cycles + 1, 100)));
    EXPECT_EQ(logged("/flash/xml/news902.xml"), std::pair(20, std::min(cycles, 20)));
    EXPECT_NE(folder.read("/flash/xml/news998.xml").find(headlineId(kChannels[cycles % 8], cycles, 2)),
              std::string::npos);
    for (const auto& r : t.errors->reports)
        ADD_FAILURE() << "reported: " << r.number << " " << r.text;
}

} // namespace
} // namespace brisma::test
