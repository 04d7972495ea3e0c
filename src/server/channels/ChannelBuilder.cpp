#include "server/channels/ChannelBuilder.h"

#include "server/channels/HeadlineMerge.h"
#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/sources/SourceFetch.h"
#include "server/store/StoreError.h"

#include <algorithm>

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

ChannelBuilder::ChannelBuilder(const ServerConfig& config, std::shared_ptr<Database> database,
                               const Clock& clock)
    : config_(config), clock_(clock), database_(std::move(database)), ids_(*database_),
      copies_(everySource(config), *database_),
      fetching_(copies_, *database_,
                FetchScheduler::Settings{
                    {config.minInterval, config.maxInterval}, userAgent(config.contact), config.fetchWorkers},
                clock) {
    std::vector<ChannelEntry> entries;
    for (const ChannelConfig& channel : config_.channels)
        entries.push_back(channel.entry);
    documents_.put(GeneratedDocuments::ChannelList, channelListDocument(entries));
    std::lock_guard lock(building_);
    const std::int64_t now = clock_.nowSeconds();
    for (const ChannelConfig& channel : config_.channels)
        build(channel, now);
    // Every channel was just listed: what is left unlisted belongs to none of them any more.
    forgetUnlisted(std::nullopt, now);
}

ChannelBuilder::~ChannelBuilder() {
    stop();
}

void ChannelBuilder::start() {
    fetching_.start([this](const std::vector<std::string>& sources) { rebuild(sources); });
}

void ChannelBuilder::stop() {
    fetching_.stop();
}

void ChannelBuilder::rebuild(const std::vector<std::string>& sources) {
    std::lock_guard lock(building_);
    const std::int64_t now = clock_.nowSeconds();
    for (const ChannelConfig& channel : config_.channels)
        if (std::ranges::find_first_of(channel.sources, sources) != channel.sources.end()) {
            build(channel, now);
            // A channel not rebuilt keeps its headlines: its sources list them still.
            forgetUnlisted(channel.entry.number, now);
        }
}

void ChannelBuilder::build(const ChannelConfig& channel, std::int64_t now) {
    std::vector<SourcedHeadline> listed;
    std::vector<Sighting> sightings;
    int skipped = 0;
    for (const std::string& source : channel.sources) {
        const auto feed = copies_.feed(source);
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
        Log::write(Log::Warning,
                   "channel " + std::to_string(channel.entry.number) +
                       " keeps its last feed: no headline ids: " + e.what(),
                   {{"channel", channel.entry.number}});
        return;
    }
    for (std::size_t i = 0; i < listed.size(); ++i) {
        listed[i].time = known.at(i).date;
        listed[i].headline.id = known.at(i).id;
    }
    if (skipped > 0)
        Log::write(Log::Warning,
                   "channel " + std::to_string(channel.entry.number) + ": " + std::to_string(skipped) +
                       " items without a title or a usable link skipped",
                   {{"channel", channel.entry.number}});
    const std::vector<Headline> headlines = mergedHeadlines(std::move(listed), channel.entry.count);
    documents_.put(ServerConfig::feedPath(channel.entry.number),
                   channelFeedDocument(channel.entry, headlines));
}

void ChannelBuilder::forgetUnlisted(std::optional<int> channel, std::int64_t now) {
    try {
        ids_.forgetUnlistedSince(now - ForgetAfter, channel).get();
    } catch (const StoreError& e) {
        Log::write(Log::Warning, std::string("cannot forget unlisted headlines: ") + e.what());
    }
}

} // namespace brisma::server
