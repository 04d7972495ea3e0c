#include "server/store/Schema.h"

#include "server/store/Connection.h"
#include "server/store/StoreError.h"

#include <QSqlQuery>
#include <QVariant>
#include <string>
#include <vector>

namespace brisma::server {
namespace {

// Step N brings a database from version N-1 to N. Steps are only ever appended.
const std::vector<std::vector<const char*>> kSteps = {
    {
        "CREATE TABLE users (id TEXT PRIMARY KEY, registered BIGINT NOT NULL, updated BIGINT NOT NULL)",
        // The profile as the last registration or update sent it, key by key in its order.
        "CREATE TABLE user_fields (userid TEXT NOT NULL, pos INTEGER NOT NULL, name TEXT NOT NULL, "
        "value TEXT, PRIMARY KEY (userid, pos))",
        // Times are milliseconds since the epoch; query is the JSON array of [key, value] pairs.
        "CREATE TABLE reports (seq $SERIAL, kind TEXT NOT NULL, userid TEXT, known INTEGER NOT NULL, "
        "channel TEXT, headline TEXT, adtype TEXT, com TEXT, client_date TEXT, client_time TEXT, "
        "received BIGINT NOT NULL, query TEXT NOT NULL)",
        "CREATE INDEX reports_received ON reports (received)",
        "CREATE INDEX reports_userid ON reports (userid)",
        "CREATE TABLE headlines (channel INTEGER NOT NULL, item TEXT NOT NULL, id TEXT NOT NULL UNIQUE, "
        "title TEXT, published BIGINT NOT NULL, first_seen BIGINT NOT NULL, last_listed BIGINT NOT NULL, "
        "PRIMARY KEY (channel, item))",
        // saved: when the state was last saved; lease: which process fetches the source, until when.
        "CREATE TABLE sources (address TEXT PRIMARY KEY, has_body INTEGER NOT NULL, body $BYTES, "
        "charset TEXT NOT NULL, final_address TEXT NOT NULL, etag TEXT NOT NULL, "
        "last_modified TEXT NOT NULL, next_fetch BIGINT NOT NULL, failures INTEGER NOT NULL, "
        "saved BIGINT NOT NULL, lease_owner TEXT NOT NULL, lease_until BIGINT NOT NULL)",
        "CREATE INDEX sources_saved ON sources (saved)",
    },
    {
        // A schedule in whole seconds let a source be asked up to a second before its interval.
        "ALTER TABLE sources RENAME COLUMN next_fetch TO next_fetch_ms",
        "UPDATE sources SET next_fetch_ms = next_fetch_ms * 1000",
    },
    {
        // The numbers campaign ids are made of; a movie's name changes with what it shows.
        "CREATE TABLE ad_ids (kind TEXT NOT NULL, name TEXT NOT NULL, serial BIGINT NOT NULL, "
        "PRIMARY KEY (kind, name), UNIQUE (kind, serial))",
        // Per campaign, channel and Japan day (YYYYMMDD); clicks split into billable and the reasons not.
        "CREATE TABLE ad_counts (campaign TEXT NOT NULL, channel TEXT NOT NULL, day INTEGER NOT NULL, "
        "impressions BIGINT NOT NULL, clicks BIGINT NOT NULL, billable BIGINT NOT NULL, "
        "unknown_user BIGINT NOT NULL, repeats BIGINT NOT NULL, ended BIGINT NOT NULL, "
        "unknown_ad BIGINT NOT NULL, PRIMARY KEY (campaign, channel, day))",
        // Each user's last billable click per campaign.
        "CREATE TABLE ad_clicks (userid TEXT NOT NULL, campaign TEXT NOT NULL, at BIGINT NOT NULL, "
        "PRIMARY KEY (userid, campaign))",
    },
    {
        // What the operator is shown of each source: when it was last asked, when it last answered
        // well (0: never) and why its last failure failed ('' after a success).
        "ALTER TABLE sources ADD COLUMN last_fetch_ms BIGINT NOT NULL DEFAULT 0",
        "ALTER TABLE sources ADD COLUMN last_success_ms BIGINT NOT NULL DEFAULT 0",
        "ALTER TABLE sources ADD COLUMN last_error TEXT NOT NULL DEFAULT ''",
    },
};

QString dialect(const char* sql, bool postgres) {
    QString text = QString::fromUtf8(sql);
    text.replace(u"$SERIAL"_qs, postgres ? u"BIGSERIAL PRIMARY KEY"_qs : u"INTEGER PRIMARY KEY"_qs);
    text.replace(u"$BYTES"_qs, postgres ? u"BYTEA"_qs : u"BLOB"_qs);
    return text;
}

} // namespace

void prepareSchema(Connection& connection) {
    connection.begin();
    try {
        // Servers starting together on one database make and upgrade it one after the other:
        // PostgreSQL refuses a second CREATE TABLE IF NOT EXISTS of a table being created, so a
        // lock held until the commit comes first there (SQLite's writing transaction is one).
        if (connection.postgres())
            connection.exec(u"SELECT pg_advisory_xact_lock(2027001)"_qs);
        connection.exec(u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"_qs);
        QSqlQuery read = connection.select(u"SELECT version FROM schema_version"_qs);
        Connection::run(read);
        const bool recorded = read.next();
        const int version = recorded ? read.value(0).toInt() : 0;
        read.finish();
        if (version > static_cast<int>(kSteps.size()))
            throw StoreError("the database has schema version " + std::to_string(version) +
                             ", newer than this server's " + std::to_string(kSteps.size()));
        for (std::size_t step = static_cast<std::size_t>(version); step < kSteps.size(); ++step)
            for (const char* sql : kSteps[step])
                connection.exec(dialect(sql, connection.postgres()));
        const QString latest = QString::number(kSteps.size());
        if (!recorded)
            connection.exec(u"INSERT INTO schema_version (version) VALUES ("_qs + latest + u")"_qs);
        else if (version != static_cast<int>(kSteps.size()))
            connection.exec(u"UPDATE schema_version SET version = "_qs + latest);
        connection.commit();
    } catch (...) {
        connection.rollback();
        throw;
    }
}

} // namespace brisma::server
