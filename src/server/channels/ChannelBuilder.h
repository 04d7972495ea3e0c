#pragma once

#include "server/channels/GeneratedDocuments.h"
#include "server/config/ServerConfig.h"
#include "server/sources/FetchScheduler.h"
#include "server/sources/SourceCopies.h"
#include "server/store/HeadlineIds.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The configuration's channels made into documents: the channel list once, and a channel's feed
// again whenever the feed of one of its sources changed, put where the web serves them from. It
// owns the sources' copies and their fetching; headline ids and copies live in the database.
namespace brisma::server {

class Clock;

class ChannelBuilder {
public:
    // Builds from the stored copies at once; fetching starts with start(). Throws StoreError.
    ChannelBuilder(const ServerConfig& config, std::shared_ptr<Database> database, const Clock& clock);
    ~ChannelBuilder();
    ChannelBuilder(const ChannelBuilder&) = delete;
    ChannelBuilder& operator=(const ChannelBuilder&) = delete;

    void start();
    void stop();

    const GeneratedDocuments& documents() const { return documents_; }

private:
    // Builds again the channels that list one of `sources`.
    void rebuild(const std::vector<std::string>& sources);
    void build(const ChannelConfig& channel, std::int64_t now);
    // Forgets the headlines of `channel` (of every channel) that no source listed for a week.
    void forgetUnlisted(std::optional<int> channel, std::int64_t now);

    ServerConfig config_;
    const Clock& clock_;
    GeneratedDocuments documents_;
    std::mutex building_;
    std::shared_ptr<Database> database_;
    HeadlineIds ids_;
    SourceCopies copies_;
    FetchScheduler fetching_;
};

} // namespace brisma::server
