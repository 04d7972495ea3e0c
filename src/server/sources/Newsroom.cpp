#include "server/sources/Newsroom.h"

#include "server/sources/SourceFetch.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

namespace brisma::server {
namespace {

constexpr std::int64_t ForgetAfter = 7 * 24 * 3600;

std::vector<std::string> everySource(const ServerConfig& config) {
    std::vector<std::string> sources;
    for (const ChannelConfig& channel : config.channels)
        sources.insert(sources.end(), channel.sources.begin(), channel.sources.end());
    return sources;
}

std::string prepared(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    return folder;
}

} // namespace

Newsroom::Newsroom(const ServerConfig& config)
    : config_(config), store_(prepared(config.dataFolder) + "/headlines.tsv"),
      pool_(std::make_unique<SourcePool>(
          everySource(config), config.dataFolder + "/sources",
          SourcePool::Settings{{config.minInterval, config.maxInterval}, userAgent(config.contact)})) {
    std::vector<ChannelEntry> entries;
    for (const ChannelConfig& channel : config_.channels)
        entries.push_back(channel.entry);
    shelf_.put("channel list", channelListDocument(entries));
    buildFeeds();
}

Newsroom::~Newsroom() {
    stop();
}

void Newsroom::start() {
    pool_->start([this] { buildFeeds(); });
}

void Newsroom::stop() {
    pool_->stop();
}

void Newsroom::buildFeeds() {
    std::lock_guard lock(building_);
    const std::int64_t now = std::time(nullptr);
    for (const ChannelConfig& channel : config_.channels) {
        struct Entry {
            KnownHeadline known;
            Headline headline;
        };
        std::vector<Entry> entries;
        std::set<std::string> keys;
        int skipped = 0;
        for (const std::string& source : channel.sources) {
            const auto feed = pool_->feed(source);
            if (!feed)
                continue;
            for (const FeedItem& item : feed->items) {
                if (!item.title || item.title->empty() || !item.link) {
                    ++skipped;
                    continue;
                }
                // The same item in two sources of the channel appears once.
                const std::string key = item.key.empty() ? *item.link : item.key;
                if (!keys.insert(key).second)
                    continue;
                const KnownHeadline known = store_.see(channel.entry.number, key, item.date, now);
                entries.push_back({known, {known.id, *item.title, *item.link}});
            }
        }
        if (skipped > 0)
            std::fprintf(stderr,
                         "brisma-server: channel %d: %d items without a title or a usable link skipped\n",
                         channel.entry.number, skipped);
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.known.date != b.known.date ? a.known.date > b.known.date : a.known.id > b.known.id;
        });
        std::vector<Headline> headlines;
        for (std::size_t i = 0; i < entries.size() && i < static_cast<std::size_t>(channel.entry.count); ++i)
            headlines.push_back(entries[i].headline);
        shelf_.put(ServerConfig::feedPath(channel.entry.number),
                   channelFeedDocument(channel.entry, headlines));
    }
    store_.forgetUnlistedSince(now - ForgetAfter);
    try {
        store_.save();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brisma-server: cannot keep the headline ids: %s\n", e.what());
    }
}

} // namespace brisma::server
