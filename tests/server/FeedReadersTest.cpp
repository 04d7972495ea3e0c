#include "server/feeds/Feed.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace brisma::server {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const fs::path Table = fs::path(BRISMA_TEST_DATA) / "feeds";

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names of the table's fixtures: every NAME.expected.json.
std::vector<std::string> fixtures() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Table))
        if (const std::string file = entry.path().filename().string(); file.ends_with(".expected.json"))
            names.push_back(file.substr(0, file.size() - 14));
    std::sort(names.begin(), names.end());
    return names;
}

fs::path sourceOf(const std::string& name) {
    return fs::exists(Table / (name + ".xml")) ? Table / (name + ".xml") : Table / (name + ".json");
}

Feed read(std::string_view body, const fs::path& source, std::vector<std::string>& notices) {
    return readFeed({body, "", "file://" + source.string()}, notices);
}

Json orNull(const std::optional<std::string>& value) {
    return value ? Json(*value) : Json(nullptr);
}

// "2026-12-09T18:30:00+09:00" as seconds since the epoch.
std::optional<std::int64_t> japanTime(const Json& text) {
    if (text.is_null())
        return std::nullopt;
    std::tm tm{};
    std::istringstream in(text.get<std::string>());
    in >> std::get_time(&tm, "%Y-%m-%dT%H:%M:%S");
    return static_cast<std::int64_t>(timegm(&tm)) - 9 * 3600;
}

class FeedReaders : public testing::TestWithParam<std::string> {};

// In process, what the feed command prints and what it does not: the items' keys (their identity
// across fetches) and the channel's ttl, from keys-and-ttl.json.
TEST_P(FeedReaders, ReadTheFixtureAsTheTableSays) {
    const fs::path source = sourceOf(GetParam());
    const Json expected = Json::parse(slurp(Table / (GetParam() + ".expected.json")));
    const Json unprinted = Json::parse(slurp(Table / "keys-and-ttl.json")).value(GetParam(), Json());
    std::vector<std::string> notices;
    const Feed feed = read(slurp(source), source, notices);

    std::string lines;
    for (const std::string& notice : notices)
        lines += notice + "\n";
    const fs::path noticesFile = Table / (GetParam() + ".notices");
    EXPECT_EQ(lines, fs::exists(noticesFile) ? slurp(noticesFile) : "");
    EXPECT_EQ(orNull(feed.title), expected["title"]);
    EXPECT_EQ(orNull(feed.link), expected["link"]);
    ASSERT_EQ(feed.items.size(), expected["items"].size());
    Json keys = Json::array();
    for (std::size_t i = 0; i < feed.items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(orNull(feed.items[i].title), expected["items"][i]["title"]);
        EXPECT_EQ(orNull(feed.items[i].link), expected["items"][i]["link"]);
        EXPECT_EQ(feed.items[i].date, japanTime(expected["items"][i]["date"]));
        keys.push_back(feed.items[i].key);
    }
    const Json ttl = feed.ttlSeconds ? Json(*feed.ttlSeconds) : Json(nullptr);
    EXPECT_EQ((Json{{"keys", keys}, {"ttl", ttl}}), unprinted) << "in keys-and-ttl.json";
}

// A copy cut short at any byte after the root's start tag, inside a character too, reads as far
// as it goes: the items before the cut as in the whole, the one cut keeping only what arrived
// whole, and a notice that the document ended early. A cut before the root leaves no feed.
TEST_P(FeedReaders, ReadEveryCopyCutShortAsFarAsItGoes) {
    const fs::path source = sourceOf(GetParam());
    const std::string body = slurp(source);
    if (source.extension() != ".xml") { // JSON cut short is no JSON: the copy in service stays
        std::vector<std::string> notices;
        for (std::size_t size = 0; size < body.rfind('}'); ++size)
            EXPECT_THROW(read(std::string_view(body).substr(0, size), source, notices), FeedError) << size;
        return;
    }
    std::vector<std::string> wholeNotices;
    const Feed whole = read(body, source, wholeNotices);
    std::size_t root = 0; // the end of the root's start tag
    while ((root = body.find('<', root)) != std::string::npos &&
           (body[root + 1] == '?' || body[root + 1] == '!'))
        ++root;
    root = body.find('>', root) + 1;
    std::vector<std::string> notices;
    const auto sameOrLost = [](const auto& cut, const auto& full) { return !cut || cut == full; };

    for (std::size_t size = 0; size < body.size(); ++size) {
        SCOPED_TRACE("cut after " + std::to_string(size) + " bytes");
        notices.clear();
        if (size < root) {
            EXPECT_THROW(read(std::string_view(body).substr(0, size), source, notices), FeedError);
            continue;
        }
        const Feed cut = read(std::string_view(body).substr(0, size), source, notices);
        for (const std::string& notice : notices) // the character set is read as in the whole
            EXPECT_TRUE(notice.starts_with("Not well-formed") || std::ranges::count(wholeNotices, notice))
                << notice;
        EXPECT_TRUE(sameOrLost(cut.title, whole.title));
        ASSERT_LE(cut.items.size(), whole.items.size());
        for (std::size_t i = 0; i + 1 < cut.items.size(); ++i) {
            EXPECT_EQ(cut.items[i].key, whole.items[i].key);
            EXPECT_EQ(cut.items[i].title, whole.items[i].title);
            EXPECT_EQ(cut.items[i].link, whole.items[i].link);
            EXPECT_EQ(cut.items[i].date, whole.items[i].date);
        }
        // Links are not compared where the cut falls: before an Atom alternate link arrives, the
        // first link of any kind stands in for it.
        if (!cut.items.empty()) {
            const FeedItem& last = cut.items.back();
            const FeedItem& full = whole.items[cut.items.size() - 1];
            // A title of several pieces (XHTML, CDATA beside text) keeps those that arrived.
            EXPECT_TRUE(!last.title || full.title->starts_with(*last.title)) << *last.title;
            EXPECT_TRUE(sameOrLost(last.date, full.date));
        }
        if (cut.items.size() < whole.items.size()) {
            ASSERT_FALSE(notices.empty());
            EXPECT_NE(notices.back().find("ends early"), std::string::npos) << notices.back();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FeedReaders, testing::ValuesIn(fixtures()), [](const auto& info) {
    std::string name = info.param;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

} // namespace
} // namespace brisma::server
