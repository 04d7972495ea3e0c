#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// How each source of the configuration fares, as the database holds it for every process: what the
// operator's page and `brisma-server sources` show.
namespace brisma::server {

class Database;

enum class SourceHealth { Failing, Pending, Ok };

struct SourceRow {
    std::string address;
    std::vector<int> channels; // the channels it feeds
    SourceHealth health = SourceHealth::Pending;
    int failures = 0;
    std::string lastError{};                                          // empty when none
    std::int64_t lastFetchMs = 0, lastSuccessMs = 0, nextFetchMs = 0; // 0: none
};

// The sources of `channelsOfSources`: failing first (most failures first), then those not yet
// fetched, then the rest, each kind by address. Throws StoreError.
std::vector<SourceRow> readSourceRows(const Database& database,
                                      const std::map<std::string, std::vector<int>>& channelsOfSources);

// "ok", "failing" or "pending".
const char* healthName(SourceHealth health);

// ISO 8601 in UTC: "2026-12-09T09:04:05Z".
std::string utcTime(std::int64_t epochMs);

} // namespace brisma::server
