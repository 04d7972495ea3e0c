#include "server/store/SourceStates.h"

#include "server/store/Database.h"

#include <QByteArray>
#include <QVariant>

namespace brisma::server {

std::future<std::optional<SourceState>> SourceStates::load(const std::string& address) {
    return database_.write<std::optional<SourceState>>([address](Connection& connection) {
        QSqlQuery& find = connection.prepared(
            u"SELECT has_body, body, charset, final_address, etag, last_modified, next_fetch, failures "
            "FROM sources WHERE address = ?"_qs);
        find.bindValue(0, QString::fromStdString(address));
        Connection::run(find);
        std::optional<SourceState> state;
        if (find.next()) {
            const QByteArray body = find.value(1).toByteArray();
            state = SourceState{address,
                                find.value(0).toInt() != 0,
                                std::string(body.constData(), static_cast<std::size_t>(body.size())),
                                find.value(2).toString().toStdString(),
                                find.value(3).toString().toStdString(),
                                find.value(4).toString().toStdString(),
                                find.value(5).toString().toStdString(),
                                find.value(6).toLongLong(),
                                find.value(7).toInt()};
        }
        find.finish();
        return state;
    });
}

std::future<void> SourceStates::save(const SourceState& state) {
    return database_.write<void>([state](Connection& connection) {
        QSqlQuery& upsert = connection.prepared(
            u"INSERT INTO sources (address, has_body, body, charset, final_address, etag, last_modified, "
            "next_fetch, failures) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (address) DO UPDATE SET "
            "has_body = excluded.has_body, body = excluded.body, charset = excluded.charset, "
            "final_address = excluded.final_address, etag = excluded.etag, "
            "last_modified = excluded.last_modified, next_fetch = excluded.next_fetch, "
            "failures = excluded.failures"_qs);
        upsert.bindValue(0, QString::fromStdString(state.address));
        upsert.bindValue(1, state.hasBody ? 1 : 0);
        upsert.bindValue(2, QByteArray(state.body.data(), static_cast<qsizetype>(state.body.size())));
        upsert.bindValue(3, QString::fromStdString(state.charset));
        upsert.bindValue(4, QString::fromStdString(state.finalAddress));
        upsert.bindValue(5, QString::fromStdString(state.etag));
        upsert.bindValue(6, QString::fromStdString(state.lastModified));
        upsert.bindValue(7, QVariant::fromValue<qint64>(state.nextFetch));
        upsert.bindValue(8, state.failures);
        Connection::run(upsert);
    });
}

} // namespace brisma::server
