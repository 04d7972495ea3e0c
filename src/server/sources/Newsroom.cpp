#include "server/sources/Newsroom.h"

#include "server/channels/HeadlineMerge.h"
#include "server/model/Clock.h"
#include "server/sources/SourceFetch.h"
#include "server/store/StoreError.h"

#include <cstdio>

namespace brisma::server {
namespace {

constexpr std::int64_t ForgetAfter = 7 * 24 * 3600;

std::vector<std::string> everySource(const ServerConfig& config) {
    std::vector<std::string> sources;
    for (const ChannelConfig& channel : config.channels)
        sources.insert(sources.end(), channel.sources.begin(), channel.sources.end());
    return sources;
}

} // namespace

Newsroom::Newsroom(const ServerConfig& config, std::shared_ptr<Database> database, const Clock& clock)
    : config_(config), clock_(clock), database_(std::move(database)), ids_(*database_),
      pool_(std::make_unique<SourcePool>(
          everySource(config), *database_,
          SourcePool::Settings{{config.minInterval, config.maxInterval}, userAgent(config.contact)}, clock)) {
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
    const std::int64_t now = clock_.nowSeconds();
    for (const ChannelConfig& channel : config_.channels) {
        std::vector<SourcedHeadline> listed;
        std::vector<Sighting> sightings;
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
                sightings.push_back({key, item.date, *item.title});
                listed.push_back({key, 0, {"", *item.title, *item.link}});
            }
        }
        std::vector<StoredHeadline> known;
        try {
            known = ids_.see(channel.entry.number, std::move(sightings), now).get();
        } catch (const StoreError& e) {
            std::fprintf(stderr, "brisma-server: channel %d keeps its last feed: no headline ids: %s\n",
                         channel.entry.number, e.what());
            continue;
        }
        for (std::size_t i = 0; i < listed.size(); ++i) {
            listed[i].time = known.at(i).date;
            listed[i].headline.id = known.at(i).id;
        }
        if (skipped > 0)
            std::fprintf(stderr,
                         "brisma-server: channel %d: %d items without a title or a usable link skipped\n",
                         channel.entry.number, skipped);
        const std::vector<Headline> headlines = mergedHeadlines(std::move(listed), channel.entry.count);
        shelf_.put(ServerConfig::feedPath(channel.entry.number),
                   channelFeedDocument(channel.entry, headlines));
    }
    try {
        ids_.forgetUnlistedSince(now - ForgetAfter).get();
    } catch (const StoreError& e) {
        std::fprintf(stderr, "brisma-server: cannot forget unlisted headlines: %s\n", e.what());
    }
}

} // namespace brisma::server
