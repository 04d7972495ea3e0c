#include "server/store/SourceStates.h"

#include "server/store/Database.h"

#include <QByteArray>
#include <QVariant>

namespace brisma::server {
namespace {

const QString kAfterBody = u"charset, final_address, etag, last_modified, next_fetch_ms, failures, saved, "
                           "last_fetch_ms, last_success_ms, last_error"_qs;
const QString kColumns = u"address, has_body, body, "_qs + kAfterBody;

SourceState stateOf(const QSqlQuery& row) {
    const QByteArray body = row.value(2).toByteArray();
    return SourceState{row.value(0).toString().toStdString(),
                       row.value(1).toInt() != 0,
                       std::string(body.constData(), static_cast<std::size_t>(body.size())),
                       row.value(3).toString().toStdString(),
                       row.value(4).toString().toStdString(),
                       row.value(5).toString().toStdString(),
                       row.value(6).toString().toStdString(),
                       row.value(7).toLongLong(),
                       row.value(8).toInt(),
                       row.value(9).toLongLong(),
                       row.value(10).toLongLong(),
                       row.value(11).toLongLong(),
                       row.value(12).toString().toStdString()};
}

std::vector<SourceState> everyState(Connection& connection, const QString& sql, std::int64_t sinceMs) {
    QSqlQuery& find = connection.prepared(sql);
    find.bindValue(0, QVariant::fromValue<qint64>(sinceMs));
    Connection::run(find);
    std::vector<SourceState> states;
    while (find.next())
        states.push_back(stateOf(find));
    find.finish();
    return states;
}

} // namespace

std::future<std::optional<SourceState>> SourceStates::load(const std::string& address) {
    return database_.write<std::optional<SourceState>>([address](Connection& connection) {
        QSqlQuery& find =
            connection.prepared(u"SELECT "_qs + kColumns + u" FROM sources WHERE address = ?"_qs);
        find.bindValue(0, QString::fromStdString(address));
        Connection::run(find);
        std::optional<SourceState> state;
        if (find.next())
            state = stateOf(find);
        find.finish();
        return state;
    });
}

std::future<std::vector<SourceState>> SourceStates::savedSince(std::int64_t sinceMs) {
    return database_.write<std::vector<SourceState>>([sinceMs](Connection& connection) {
        return everyState(connection, u"SELECT "_qs + kColumns + u" FROM sources WHERE saved >= ?"_qs,
                          sinceMs);
    });
}

std::vector<SourceState> readSourceStates(const Database& database) {
    Connection connection(database.address());
    return everyState(
        connection,
        u"SELECT address, has_body, NULL, "_qs + kAfterBody + u" FROM sources WHERE saved >= ?"_qs, 0);
}

std::future<void> SourceStates::save(const SourceState& state) {
    return database_.write<void>([state](Connection& connection) {
        QSqlQuery& upsert = connection.prepared(
            u"INSERT INTO sources ("_qs + kColumns +
            u", lease_owner, lease_until) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', 0) "
            "ON CONFLICT (address) DO UPDATE SET has_body = excluded.has_body, body = excluded.body, "
            "charset = excluded.charset, final_address = excluded.final_address, etag = excluded.etag, "
            "last_modified = excluded.last_modified, next_fetch_ms = excluded.next_fetch_ms, "
            "failures = excluded.failures, saved = excluded.saved, last_fetch_ms = excluded.last_fetch_ms, "
            "last_success_ms = excluded.last_success_ms, last_error = excluded.last_error"_qs);
        upsert.bindValue(0, QString::fromStdString(state.address));
        upsert.bindValue(1, state.hasBody ? 1 : 0);
        upsert.bindValue(2, QByteArray(state.body.data(), static_cast<qsizetype>(state.body.size())));
        upsert.bindValue(3, QString::fromStdString(state.charset));
        upsert.bindValue(4, QString::fromStdString(state.finalAddress));
        upsert.bindValue(5, QString::fromStdString(state.etag));
        upsert.bindValue(6, QString::fromStdString(state.lastModified));
        upsert.bindValue(7, QVariant::fromValue<qint64>(state.nextFetchMs));
        upsert.bindValue(8, state.failures);
        upsert.bindValue(9, QVariant::fromValue<qint64>(state.savedMs));
        upsert.bindValue(10, QVariant::fromValue<qint64>(state.lastFetchMs));
        upsert.bindValue(11, QVariant::fromValue<qint64>(state.lastSuccessMs));
        upsert.bindValue(12, QString::fromStdString(state.lastError));
        Connection::run(upsert);
    });
}

std::future<void> SourceStates::saveSchedule(const SourceState& state) {
    return database_.write<void>([state](Connection& connection) {
        QSqlQuery& update = connection.prepared(
            u"UPDATE sources SET next_fetch_ms = ?, failures = ?, saved = ?, last_fetch_ms = ?, "
            "last_success_ms = ?, last_error = ? WHERE address = ?"_qs);
        update.bindValue(0, QVariant::fromValue<qint64>(state.nextFetchMs));
        update.bindValue(1, state.failures);
        update.bindValue(2, QVariant::fromValue<qint64>(state.savedMs));
        update.bindValue(3, QVariant::fromValue<qint64>(state.lastFetchMs));
        update.bindValue(4, QVariant::fromValue<qint64>(state.lastSuccessMs));
        update.bindValue(5, QString::fromStdString(state.lastError));
        update.bindValue(6, QString::fromStdString(state.address));
        Connection::run(update);
    });
}

std::future<bool> SourceStates::claim(const std::string& address, const std::string& owner,
                                      std::int64_t nowMs, std::int64_t untilMs) {
    return database_.write<bool>([address, owner, nowMs, untilMs](Connection& connection) {
        // A source not yet kept gets a row without a copy, so the lease has a place.
        QSqlQuery& take = connection.prepared(
            u"INSERT INTO sources ("_qs + kColumns +
            u", lease_owner, lease_until) VALUES (?, 0, NULL, '', '', '', '', 0, 0, 0, 0, 0, '', ?, ?) "
            "ON CONFLICT (address) DO UPDATE SET lease_owner = excluded.lease_owner, "
            "lease_until = excluded.lease_until "
            "WHERE sources.lease_until <= ? OR sources.lease_owner = excluded.lease_owner"_qs);
        take.bindValue(0, QString::fromStdString(address));
        take.bindValue(1, QString::fromStdString(owner));
        take.bindValue(2, QVariant::fromValue<qint64>(untilMs));
        take.bindValue(3, QVariant::fromValue<qint64>(nowMs));
        Connection::run(take);
        return take.numRowsAffected() == 1;
    });
}

} // namespace brisma::server
