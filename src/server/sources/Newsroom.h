#pragma once

#include "server/config/ServerConfig.h"
#include "server/sources/Shelf.h"
#include "server/sources/SourcePool.h"
#include "server/store/HeadlineIds.h"

#include <memory>
#include <mutex>
#include <string>

// The configuration's channels made into documents: the channel list once, each channel's feed
// again whenever one of the sources changed, all put on the shelf the web serves from. Headline ids
// and the sources' copies live in the database.
namespace brisma::server {

class Clock;

class Newsroom {
public:
    // Serves the stored copies at once; fetching starts with start(). Throws StoreError.
    Newsroom(const ServerConfig& config, std::shared_ptr<Database> database, const Clock& clock);
    ~Newsroom();
    Newsroom(const Newsroom&) = delete;
    Newsroom& operator=(const Newsroom&) = delete;

    void start();
    void stop();

    const Shelf& shelf() const { return shelf_; }

private:
    void buildFeeds();

    ServerConfig config_;
    const Clock& clock_;
    Shelf shelf_;
    std::mutex building_;
    std::shared_ptr<Database> database_;
    HeadlineIds ids_;
    std::unique_ptr<SourcePool> pool_;
};

} // namespace brisma::server
