#include "server/sources/Newsroom.h"

#include "server/channels/HeadlineMerge.h"
#include "server/sources/SourceFetch.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

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
    shelf_.put(Shelf::ChannelList, channelListDocument(entries));
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
        std::vector<SourcedHeadline> listed;
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
                // An item that two sources list has one identity, so one id: the merge shows it once.
                const std::string key = item.key.empty() ? *item.link : item.key;
                const KnownHeadline known = store_.see(channel.entry.number, key, item.date, now);
                listed.push_back({key, known.date, {known.id, *item.title, *item.link}});
            }
        }
        if (skipped > 0)
            std::fprintf(stderr,
                         "brisma-server: channel %d: %d items without a title or a usable link skipped\n",
                         channel.entry.number, skipped);
        const std::vector<Headline> headlines = mergedHeadlines(std::move(listed), channel.entry.count);
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
