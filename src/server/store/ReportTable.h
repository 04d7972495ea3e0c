#pragma once

#include "server/reports/ReportRequest.h"

#include <cstdint>
#include <future>
#include <ostream>

// The reports, one row each: the keys the figures need in columns of their own, and the whole
// query as it arrived.
namespace brisma::server {

class Database;

class ReportTable {
public:
    explicit ReportTable(Database& database) : database_(database) {}

    // Stores one report, marked known when its userid is a registered user's. The future is ready
    // once the report is durable: only then may it be answered.
    std::future<void> add(ReportKind kind, const Query& query, std::int64_t receivedMs);
    // Deletes the reports received before `cutoffMs`; the future holds how many.
    std::future<std::int64_t> deleteBefore(std::int64_t cutoffMs);
    // One JSON object per line for every report received at or after `sinceMs`, in the order
    // received: kind, userid, channel, id, adtype, com, date, time (strings as sent, null where
    // the query had no such key), query (every [key, value] as it arrived) and received (ISO 8601,
    // UTC). Reads on a connection of the calling thread, beside the writer.
    void exportLines(std::ostream& out, std::int64_t sinceMs) const;

private:
    Database& database_;
};

} // namespace brisma::server
