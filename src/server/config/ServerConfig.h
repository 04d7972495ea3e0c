#pragma once

#include "server/config/Campaign.h"
#include "server/model/AddressRange.h"
#include "server/model/ChannelEntry.h"
#include "server/model/Log.h"

#include <chrono>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// The operator's TOML file, read and checked whole before anything is served.
namespace brisma::server {

struct ChannelConfig {
    ChannelEntry entry;               // feedAddress already on the base
    std::vector<std::string> sources; // http(s) addresses, or absolute file paths
};

struct ServerConfig {
    std::string file; // the configuration's own path
    std::string listenHost;
    int listenPort = 0; // 0: any free port
    std::string base;   // ends with "/"
    std::string dataFolder;
    std::string contentFolder;
    std::chrono::seconds minInterval{300};
    std::chrono::seconds maxInterval{86400};
    std::string contact;
    int fetchWorkers = 4;               // threads fetching sources, one host at a time each
    std::string database;               // empty: SQLite in the data folder; else a postgresql:// address
    int keepDays = 0;                   // reports older than this are deleted daily; 0: kept
    std::vector<std::string> keepUsers; // ids that are always known users (the demo's seeded one)
    std::string adminToken;             // opens the operator's page; empty: no token opens it
    bool adminLoopback = false;         // loopback opens the operator's page without a token
    unsigned registrationsPerHour = 20; // per client address and process
    unsigned reportsPerMinute = 1200;   // per client address and process
    std::vector<AddressRange> trustedProxies; // whose X-Forwarded-For names the client
    Log::Format logFormat = Log::Format::Text;
    std::vector<ChannelConfig> channels;
    std::vector<Campaign> campaigns;
    HouseText house; // required once a text campaign is booked

    bool books(CampaignKind kind) const;
    // The numbers of the channels each source feeds.
    std::map<std::string, std::vector<int>> channelsOfSources() const;

    // The address a channel's feed is served at, below the base.
    static std::string feedPath(int channel);
};

// One line: "FILE:LINE: what is wrong".
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Relative paths are taken against the file's folder. Raises ConfigError.
ServerConfig loadConfig(const std::string& file);

// "90s", "5m", "24h", "1h30m", "7d": a duration of whole seconds, at most a century; false when the
// text is none.
bool parseDuration(const std::string& text, std::chrono::seconds& out);

} // namespace brisma::server
