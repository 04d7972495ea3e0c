#pragma once

#include "server/model/Query.h"
#include "server/model/ReportKind.h"

#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

// The reports, one row each: the keys the figures need in columns of their own, and the whole
// query as it arrived. Reports waiting for the writer go in together, many rows a statement.
namespace brisma::server {

class Connection;
class Database;

class ReportTable {
public:
    explicit ReportTable(Database& database);

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
    struct Row {
        std::array<QVariant, 11> values; // in the order of the table's columns
        std::promise<void> stored;
    };
    // The rows no insert has taken yet; shared with the writer's queued job.
    struct Waiting {
        std::mutex mutex;
        std::vector<Row> rows;
        bool jobQueued = false;
    };
    static void insert(Connection& connection, std::vector<Row>& rows);

    Database& database_;
    std::shared_ptr<Waiting> waiting_;
};

} // namespace brisma::server
