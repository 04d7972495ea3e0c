#include "server/cli/RunningServer.h"

#include "server/ads/AdBook.h"
#include "server/channels/ChannelBuilder.h"
#include "server/cli/OpenDatabase.h"
#include "server/cli/ServiceNotice.h"
#include "server/cli/Watchdog.h"
#include "server/intake/Intake.h"
#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/store/Database.h"
#include "server/store/ReportRetention.h"
#include "server/store/StoreHealth.h"
#include "server/store/UserTable.h"
#include "server/web/WebServer.h"

#include <algorithm>

namespace brisma::server {
namespace {

ServedSite siteOf(const ServerConfig& config, const std::shared_ptr<ChannelBuilder>& channels,
                  const std::shared_ptr<Database>& database, const Clock& clock,
                  const std::shared_ptr<AdTally>& tally) {
    auto content = std::make_shared<const ContentFolder>(config.contentFolder, config.base, clock);
    AdminSite admin{database, config.adminToken, config.adminLoopback,      {},
                    &clock,   config.campaigns,  config.channelsOfSources()};
    std::vector<std::string> feedPaths;
    for (const ChannelConfig& channel : config.channels) {
        feedPaths.push_back(ServerConfig::feedPath(channel.entry.number));
        admin.channelNames[feedPaths.back().substr(sizeof "/feeds/" - 1, 3)] = channel.entry.name;
    }
    // The campaigns' documents are built from the script as the folder holds it now.
    auto ads = std::make_shared<const AdBook>(config, *content->current(), *database, tally);
    tally->book(ads->ids());
    // The documents live as long as a request holds them, even past a reload.
    return {std::shared_ptr<const GeneratedDocuments>(channels, &channels->documents()), std::move(content),
            std::move(admin), config.campaigns.empty() ? nullptr : std::move(ads), std::move(feedPaths)};
}

// Once a kind is booked, the content folder's documents of that kind are not served.
void noticeCampaigns(const ServerConfig& config) {
    for (const auto& [kind, what] :
         {std::pair{CampaignKind::Text,
                    "text campaigns are booked: the content folder's ad/ files are not served"},
          std::pair{CampaignKind::Banner,
                    "banner campaigns are booked: the script's ticker_banner entry is theirs"},
          std::pair{CampaignKind::Movie,
                    "movie campaigns are booked: the content folder's movies are not served"}})
        if (config.books(kind))
            Log::write(Log::Info, what);
}

} // namespace

RunningServer::RunningServer(ServerConfig config, const Clock& clock)
    : config_(std::move(config)), clock_(clock) {
    database_ = openDatabase(config_);
    Log::write(Log::Info, "database " + database_->address().describe());
    for (const std::string& id : config_.keepUsers)
        UserTable(*database_).keepUser(id, clock_.nowMs()).get();
    channels_ = std::make_shared<ChannelBuilder>(config_, database_, clock_);
    if (config_.keepDays > 0)
        retention_ = std::make_unique<ReportRetention>(*database_, config_.keepDays, clock_);
    tally_ = std::make_shared<AdTally>(*database_, clock_);
    noticeCampaigns(config_);
    intake_ = std::make_unique<Intake>(*database_, clock_,
                                       Intake::Limits{config_.registrationsPerHour, config_.reportsPerMinute},
                                       tally_.get());
    health_ = std::make_unique<StoreHealth>(database_->address(), clock_);
    web_ = std::make_unique<WebServer>(config_.listenHost, config_.listenPort,
                                       siteOf(config_, channels_, database_, clock_, tally_),
                                       WebServer::Limits{}, *intake_, *health_, config_.trustedProxies);
}

RunningServer::~RunningServer() {
    stop();
}

std::string RunningServer::address() const {
    const bool v6 = config_.listenHost.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + config_.listenHost + "]" : config_.listenHost) + ":" +
           std::to_string(web_->port()) + "/";
}

void RunningServer::start() {
    channels_->start();
    if (const std::optional<std::chrono::microseconds> interval = watchdogInterval()) {
        // Both the serving threads and the writer must move; a quarter of the interval leaves
        // the probe time to answer before the next beat is due.
        const auto within = std::max(std::chrono::milliseconds(100),
                                     std::chrono::duration_cast<std::chrono::milliseconds>(*interval / 4));
        watchdog_ = std::make_unique<Watchdog>(
            *interval, [this, within] { return web_->answers(within) && database_->progressing(); }, clock_);
    }
}

void RunningServer::reload(ServerConfig next) {
    if (next.listenHost != config_.listenHost || next.listenPort != config_.listenPort)
        Log::write(Log::Warning, "a new listen address takes effect at the next start");
    if (next.database != config_.database || next.dataFolder != config_.dataFolder ||
        next.keepDays != config_.keepDays)
        Log::write(Log::Warning, "a new database or keep_days takes effect at the next start");
    if (next.registrationsPerHour != config_.registrationsPerHour ||
        next.reportsPerMinute != config_.reportsPerMinute || next.trustedProxies != config_.trustedProxies)
        Log::write(Log::Warning, "new request limits or trusted_proxies take effect at the next start");
    auto fresh = std::make_shared<ChannelBuilder>(next, database_, clock_);
    // The old sources stop before the new ones start, so no host ever sees two requests at once;
    // meanwhile the old documents are served.
    channels_->stop();
    channels_ = std::move(fresh);
    web_->replace(siteOf(next, channels_, database_, clock_, tally_));
    channels_->start();
    config_ = std::move(next);
}

void RunningServer::stop() {
    // Listening ends first and waits for the answers the intake still owes; the writer finishes
    // everything queued last.
    watchdog_.reset();
    web_.reset();
    health_.reset();
    intake_.reset();
    tally_.reset(); // writes the impressions still in memory
    if (channels_)
        channels_->stop();
    retention_.reset();
    channels_.reset();
    database_.reset();
}

} // namespace brisma::server
