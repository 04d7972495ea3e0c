#include "server/store/HeadlineIds.h"

#include "server/model/HeadlineId.h"
#include "server/store/Database.h"

#include <QVariant>
#include <algorithm>
#include <iterator>
#include <map>

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

// Marks the stored ones among `titles` (item -> title) listed at `now`, with their titles, in one
// statement per channel (a few for a channel of many thousands): the stored ids, by item.
std::map<std::string, StoredHeadline>
markListed(Connection& connection, int channel,
           const std::map<std::string, std::optional<std::string>>& titles, std::int64_t now) {
    // Two values per item, well below SQLite's 32766 bound parameters.
    constexpr std::size_t ItemsPerStatement = 10'000;
    std::map<std::string, StoredHeadline> known;
    for (auto next = titles.begin(); next != titles.end();) {
        const std::size_t count = std::min<std::size_t>(
            ItemsPerStatement, static_cast<std::size_t>(std::distance(next, titles.end())));
        // The first row's casts type the values for PostgreSQL.
        QString sql =
            u"WITH listed(listed_item, listed_title) AS (VALUES (CAST(? AS TEXT), CAST(? AS TEXT))"_qs;
        for (std::size_t i = 1; i < count; ++i)
            sql += u", (?, ?)"_qs;
        sql += u") UPDATE headlines SET last_listed = ?, title = listed.listed_title FROM listed "
               "WHERE headlines.channel = ? AND headlines.item = listed.listed_item "
               "RETURNING item, id, published"_qs;
        // Its length varies with the channel: prepared for this once, not kept.
        QSqlQuery mark = connection.select(sql);
        int at = 0;
        for (std::size_t i = 0; i < count; ++i, ++next) {
            mark.bindValue(at++, QString::fromStdString(next->first));
            mark.bindValue(at++, Connection::text(next->second));
        }
        mark.bindValue(at++, QVariant::fromValue<qint64>(now));
        mark.bindValue(at, channel);
        Connection::run(mark);
        while (mark.next())
            known.emplace(mark.value(0).toString().toStdString(),
                          StoredHeadline{mark.value(1).toString().toStdString(), mark.value(2).toLongLong()});
    }
    return known;
}

} // namespace

std::future<std::vector<StoredHeadline>> HeadlineIds::see(int channel, std::vector<Sighting> items,
                                                          std::int64_t now) {
    return database_.write<std::vector<StoredHeadline>>(
        [channel, items = std::move(items), now](Connection& connection) {
            // An item two sources list is seen twice: it keeps the title seen last, as it did when
            // each sighting was written in turn.
            std::map<std::string, std::optional<std::string>> titles;
            for (const Sighting& sighting : items)
                titles[sighting.item] = sighting.title;
            std::map<std::string, StoredHeadline> known = markListed(connection, channel, titles, now);
            std::vector<StoredHeadline> headlines;
            headlines.reserve(items.size());
            for (const Sighting& sighting : items) {
                auto found = known.find(sighting.item);
                if (found == known.end())
                    found = known
                                .emplace(sighting.item,
                                         give(connection, channel,
                                              {sighting.item, sighting.date, titles.at(sighting.item)}, now))
                                .first;
                headlines.push_back(found->second);
            }
            return headlines;
        });
}

std::future<std::int64_t> HeadlineIds::forgetUnlistedSince(std::int64_t cutoff, std::optional<int> channel) {
    return database_.write<std::int64_t>([cutoff, channel](Connection& connection) -> std::int64_t {
        QSqlQuery& remove =
            connection.prepared(channel ? u"DELETE FROM headlines WHERE last_listed < ? AND channel = ?"_qs
                                        : u"DELETE FROM headlines WHERE last_listed < ?"_qs);
        remove.bindValue(0, QVariant::fromValue<qint64>(cutoff));
        if (channel)
            remove.bindValue(1, *channel);
        Connection::run(remove);
        return remove.numRowsAffected();
    });
}

} // namespace brisma::server
