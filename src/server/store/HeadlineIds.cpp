#include "server/store/HeadlineIds.h"

#include "server/model/HeadlineId.h"
#include "server/store/Database.h"

#include <QVariant>
#include <algorithm>

namespace brisma::server {
namespace {

std::optional<StoredHeadline> stored(Connection& connection, int channel, const std::string& item) {
    QSqlQuery& find =
        connection.prepared(u"SELECT id, published FROM headlines WHERE channel = ? AND item = ?"_qs);
    find.bindValue(0, channel);
    find.bindValue(1, QString::fromStdString(item));
    Connection::run(find);
    std::optional<StoredHeadline> headline;
    if (find.next())
        headline = StoredHeadline{find.value(0).toString().toStdString(), find.value(1).toLongLong()};
    find.finish();
    return headline;
}

// The lowest serial not given in the channel and minute that an id's first 15 digits name.
int freeSerial(Connection& connection, const std::string& prefix) {
    QSqlQuery& taken =
        connection.prepared(u"SELECT id FROM headlines WHERE id >= ? AND id <= ? ORDER BY id"_qs);
    taken.bindValue(0, QString::fromStdString(prefix + "0000"));
    taken.bindValue(1, QString::fromStdString(prefix + "9999"));
    Connection::run(taken);
    int lowest = 1; // the serials come in order
    while (taken.next()) {
        const int serial = taken.value(0).toString().mid(15).toInt();
        if (serial > lowest)
            break;
        lowest = std::max(lowest, serial + 1);
    }
    taken.finish();
    return lowest <= MaxHeadlineSerial ? lowest : 0;
}

StoredHeadline give(Connection& connection, int channel, const Sighting& sighting, std::int64_t now) {
    const std::int64_t date = publicationTime(sighting.date, now, now);
    for (;;) {
        if (std::optional<StoredHeadline> headline = stored(connection, channel, sighting.item))
            return *headline;
        const StoredHeadline made{makeHeadlineId(channel, date,
                                                 [&connection](const std::string& prefix) {
                                                     return freeSerial(connection, prefix);
                                                 }),
                                  date};
        // Another process may give this item, or this id, at the same time: the database keeps
        // one, and the loop reads what it kept.
        QSqlQuery& insert = connection.prepared(
            u"INSERT INTO headlines (channel, item, id, title, published, first_seen, last_listed) "
            "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"_qs);
        insert.bindValue(0, channel);
        insert.bindValue(1, QString::fromStdString(sighting.item));
        insert.bindValue(2, QString::fromStdString(made.id));
        insert.bindValue(3, Connection::text(sighting.title));
        insert.bindValue(4, QVariant::fromValue<qint64>(date));
        insert.bindValue(5, QVariant::fromValue<qint64>(now));
        insert.bindValue(6, QVariant::fromValue<qint64>(now));
        Connection::run(insert);
        if (insert.numRowsAffected() == 1)
            return made;
    }
}

} // namespace

std::future<std::vector<StoredHeadline>> HeadlineIds::see(int channel, std::vector<Sighting> items,
                                                          std::int64_t now) {
    return database_.write<std::vector<StoredHeadline>>(
        [channel, items = std::move(items), now](Connection& connection) {
            QSqlQuery& listed = connection.prepared(
                u"UPDATE headlines SET last_listed = ?, title = ? WHERE channel = ? AND item = ?"_qs);
            std::vector<StoredHeadline> headlines;
            for (const Sighting& sighting : items) {
                listed.bindValue(0, QVariant::fromValue<qint64>(now));
                listed.bindValue(1, Connection::text(sighting.title));
                listed.bindValue(2, channel);
                listed.bindValue(3, QString::fromStdString(sighting.item));
                Connection::run(listed);
                headlines.push_back(give(connection, channel, sighting, now));
            }
            return headlines;
        });
}

std::future<std::int64_t> HeadlineIds::forgetUnlistedSince(std::int64_t cutoff) {
    return database_.write<std::int64_t>([cutoff](Connection& connection) -> std::int64_t {
        QSqlQuery& remove = connection.prepared(u"DELETE FROM headlines WHERE last_listed < ?"_qs);
        remove.bindValue(0, QVariant::fromValue<qint64>(cutoff));
        Connection::run(remove);
        return remove.numRowsAffected();
    });
}

} // namespace brisma::server
