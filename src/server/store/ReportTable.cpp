#include "server/store/ReportTable.h"

#include "server/store/Database.h"
#include "server/store/StoreError.h"

#include <QVariant>
#include <array>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace brisma::server {
namespace {

using Json = nlohmann::ordered_json;

// The columns of a row beside its query, in the order of the export's keys.
constexpr std::array<const char*, 8> kColumns = {"kind",   "userid", "channel", "id",
                                                 "adtype", "com",    "date",    "time"};

std::string queryJson(const Query& query) {
    Json pairs = Json::array();
    for (const QueryPair& pair : query)
        pairs.push_back(Json::array({pair.key, pair.value ? Json(*pair.value) : Json(nullptr)}));
    return pairs.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string isoTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}

Json textOrNull(const QVariant& value) {
    return value.isNull() ? Json(nullptr) : Json(value.toString().toStdString());
}

} // namespace

ReportTable::ReportTable(Database& database) : database_(database), waiting_(std::make_shared<Waiting>()) {}

std::future<void> ReportTable::add(ReportKind kind, const Query& query, std::int64_t receivedMs) {
    // The row is made here, in the caller's thread; the writer only binds and runs.
    Row row;
    const std::optional<std::string> userid = firstValue(query, "userid");
    const std::string_view name = kindName(kind);
    row.values[0] = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    row.values[1] = row.values[2] = Connection::text(userid);
    std::size_t position = 3;
    for (const char* key : {"channel", "id", "adtype", "com", "date", "time"})
        row.values[position++] = Connection::text(firstValue(query, key));
    row.values[position++] = QVariant::fromValue<qint64>(receivedMs);
    row.values[position] = QString::fromStdString(queryJson(query));
    std::future<void> stored = row.stored.get_future();

    std::lock_guard lock(waiting_->mutex);
    waiting_->rows.push_back(std::move(row));
    if (!waiting_->jobQueued) {
        waiting_->jobQueued = true;
        // One job takes every row waiting when the writer reaches it, or when it fails unrun.
        auto taken = std::make_shared<std::vector<Row>>();
        const auto take = [waiting = waiting_, taken] {
            if (!taken->empty())
                return; // a retry: the same rows
            std::lock_guard lock(waiting->mutex);
            taken->swap(waiting->rows);
            waiting->jobQueued = false;
        };
        try {
            database_.enqueue({[take, taken](Connection& connection) {
                                   take();
                                   insert(connection, *taken);
                               },
                               [taken] {
                                   for (Row& row : *taken)
                                       row.stored.set_value();
                               },
                               [take, taken](std::exception_ptr error) {
                                   take();
                                   for (Row& row : *taken)
                                       row.stored.set_exception(error);
                               }});
        } catch (...) {
            // The database is closing: this row, the only one waiting, is not taken.
            waiting_->rows.clear();
            waiting_->jobQueued = false;
            throw;
        }
    }
    return stored;
}

void ReportTable::insert(Connection& connection, std::vector<Row>& rows) {
    constexpr std::size_t kRowsPerStatement = 64;
    for (std::size_t first = 0; first < rows.size(); first += kRowsPerStatement) {
        const std::size_t count = std::min(kRowsPerStatement, rows.size() - first);
        QString sql =
            u"INSERT INTO reports (kind, userid, known, channel, headline, adtype, com, client_date, "
            "client_time, received, query) VALUES "_qs;
        for (std::size_t i = 0; i < count; ++i)
            sql += (i ? u", "_qs : QString()) +
                   u"(?, ?, CASE WHEN EXISTS (SELECT 1 FROM users WHERE id = ?) THEN 1 ELSE 0 END, "
                   "?, ?, ?, ?, ?, ?, ?, ?)"_qs;
        QSqlQuery& statement = connection.prepared(sql);
        int position = 0;
        for (std::size_t i = first; i < first + count; ++i)
            for (const QVariant& value : rows[i].values)
                statement.bindValue(position++, value);
        Connection::run(statement);
    }
}

std::future<std::int64_t> ReportTable::deleteBefore(std::int64_t cutoffMs) {
    return database_.write<std::int64_t>([cutoffMs](Connection& connection) -> std::int64_t {
        QSqlQuery& remove = connection.prepared(u"DELETE FROM reports WHERE received < ?"_qs);
        remove.bindValue(0, QVariant::fromValue<qint64>(cutoffMs));
        Connection::run(remove);
        return remove.numRowsAffected();
    });
}

void ReportTable::exportLines(std::ostream& out, std::int64_t sinceMs) const {
    Connection connection(database_.address());
    QSqlQuery rows = connection.select(
        u"SELECT kind, userid, channel, headline, adtype, com, client_date, client_time, query, received "
        "FROM reports WHERE received >= ? ORDER BY received, seq"_qs);
    rows.bindValue(0, QVariant::fromValue<qint64>(sinceMs));
    Connection::run(rows);
    while (rows.next()) {
        Json line = Json::object();
        for (int column = 0; column < static_cast<int>(kColumns.size()); ++column)
            line[kColumns[static_cast<std::size_t>(column)]] = textOrNull(rows.value(column));
        line["query"] = Json::parse(rows.value(8).toString().toStdString());
        line["received"] = isoTime(rows.value(9).toLongLong());
        out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    }
    if (!out)
        throw StoreError("the export could not be written");
}

} // namespace brisma::server
