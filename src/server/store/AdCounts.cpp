#include "server/store/AdCounts.h"

#include "server/store/Database.h"

#include <QVariant>

namespace brisma::server {
namespace {

void add(Connection& connection, const AdCountKey& key, const AdFigures& f) {
    QSqlQuery& upsert = connection.prepared(
        u"INSERT INTO ad_counts (campaign, channel, day, impressions, clicks, billable, unknown_user, "
        "repeats, ended, unknown_ad) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (campaign, channel, "
        "day) DO UPDATE SET impressions = ad_counts.impressions + excluded.impressions, clicks = "
        "ad_counts.clicks + excluded.clicks, billable = ad_counts.billable + excluded.billable, "
        "unknown_user = ad_counts.unknown_user + excluded.unknown_user, repeats = ad_counts.repeats + "
        "excluded.repeats, ended = ad_counts.ended + excluded.ended, unknown_ad = ad_counts.unknown_ad + "
        "excluded.unknown_ad"_qs);
    upsert.bindValue(0, QString::fromStdString(key.campaign));
    upsert.bindValue(1, QString::fromStdString(key.channel));
    upsert.bindValue(2, key.day);
    int at = 3;
    for (const std::int64_t value :
         {f.impressions, f.clicks, f.billable, f.unknownUser, f.repeat, f.ended, f.unknownAd})
        upsert.bindValue(at++, QVariant::fromValue<qint64>(value));
    Connection::run(upsert);
}

std::int64_t single(Connection& connection, const QString& sql, const QVariant& value) {
    QSqlQuery& query = connection.prepared(sql);
    query.bindValue(0, value);
    Connection::run(query);
    const std::int64_t result = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    return result;
}

void sums(Connection& connection, const QString& sql, const QVariant& value,
          std::map<std::string, std::int64_t>& into) {
    QSqlQuery& query = connection.prepared(sql);
    if (value.isValid())
        query.bindValue(0, value);
    Connection::run(query);
    while (query.next())
        into[query.value(0).toString().toStdString()] = query.value(1).toLongLong();
    query.finish();
}

} // namespace

std::future<std::map<std::string, std::int64_t>> AdCounts::serials(std::string kind,
                                                                   std::vector<std::string> names) {
    return database_.write<std::map<std::string, std::int64_t>>([kind = std::move(kind),
                                                                 names = std::move(names)](
                                                                    Connection& connection) {
        std::map<std::string, std::int64_t> given;
        for (const std::string& name : names) {
            for (;;) {
                QSqlQuery& find =
                    connection.prepared(u"SELECT serial FROM ad_ids WHERE kind = ? AND name = ?"_qs);
                find.bindValue(0, QString::fromStdString(kind));
                find.bindValue(1, QString::fromStdString(name));
                Connection::run(find);
                const bool found = find.next();
                const std::int64_t serial = found ? find.value(0).toLongLong() : 0;
                find.finish();
                if (found) {
                    given[name] = serial;
                    break;
                }
                // Another process may take the same number meanwhile: the unique key keeps one.
                const std::int64_t next =
                    single(connection, u"SELECT COALESCE(MAX(serial), 0) + 1 FROM ad_ids WHERE kind = ?"_qs,
                           QString::fromStdString(kind));
                QSqlQuery& insert = connection.prepared(
                    u"INSERT INTO ad_ids (kind, name, serial) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"_qs);
                insert.bindValue(0, QString::fromStdString(kind));
                insert.bindValue(1, QString::fromStdString(name));
                insert.bindValue(2, QVariant::fromValue<qint64>(next));
                Connection::run(insert);
            }
        }
        return given;
    });
}

std::future<AdCapTotals> AdCounts::addImpressions(std::map<AdCountKey, std::int64_t> impressions, int today) {
    return database_.write<AdCapTotals>(
        [impressions = std::move(impressions), today](Connection& connection) {
            for (const auto& [key, count] : impressions)
                add(connection, key, AdFigures{.impressions = count});
            AdCapTotals totals{today, {}, {}};
            sums(connection,
                 u"SELECT campaign, SUM(impressions) FROM ad_counts WHERE day = ? GROUP BY campaign"_qs,
                 today, totals.impressionsToday);
            sums(connection, u"SELECT campaign, SUM(billable) FROM ad_counts GROUP BY campaign"_qs,
                 QVariant(), totals.billable);
            return totals;
        });
}

std::future<void> AdCounts::addClick(AdClick click) {
    return database_.write<void>([click = std::move(click)](Connection& connection) {
        AdFigures f{.clicks = 1};
        const QString campaign = QString::fromStdString(click.campaign);
        if (click.campaign.empty()) {
            f.unknownAd = 1;
        } else if (click.ended ||
                   (click.booked &&
                    single(connection,
                           u"SELECT COALESCE(SUM(billable), 0) FROM ad_counts WHERE campaign = ?"_qs,
                           campaign) >= *click.booked)) {
            f.ended = 1;
        } else if (!click.userid || single(connection, u"SELECT COUNT(*) FROM users WHERE id = ?"_qs,
                                           QString::fromStdString(*click.userid)) == 0) {
            f.unknownUser = 1;
        } else {
            // The row changes only when no billable click of the user came in the last ten minutes.
            QSqlQuery& last =
                connection.prepared(u"INSERT INTO ad_clicks (userid, campaign, at) VALUES (?, ?, ?) ON "
                                    u"CONFLICT (userid, campaign) "
                                    "DO UPDATE SET at = excluded.at WHERE ad_clicks.at <= ?"_qs);
            last.bindValue(0, QString::fromStdString(*click.userid));
            last.bindValue(1, campaign);
            last.bindValue(2, QVariant::fromValue<qint64>(click.atMs));
            last.bindValue(3, QVariant::fromValue<qint64>(click.atMs - RepeatMs));
            Connection::run(last);
            (last.numRowsAffected() == 1 ? f.billable : f.repeat) = 1;
        }
        add(connection, {click.campaign, click.channel, click.day}, f);
    });
}

std::vector<AdDayFigures> AdCounts::read(const Database& database, int fromDay, int toDay) {
    Connection connection(database.address());
    QSqlQuery rows = connection.select(
        u"SELECT campaign, day, SUM(impressions), SUM(clicks), SUM(billable), SUM(unknown_user), "
        u"SUM(repeats), "
        "SUM(ended), SUM(unknown_ad) FROM ad_counts WHERE day >= ? AND day <= ? GROUP BY campaign, day "
        "ORDER BY campaign, day"_qs);
    rows.bindValue(0, fromDay);
    rows.bindValue(1, toDay);
    Connection::run(rows);
    std::vector<AdDayFigures> figures;
    while (rows.next()) {
        const auto n = [&](int column) { return rows.value(column).toLongLong(); };
        figures.push_back({rows.value(0).toString().toStdString(),
                           rows.value(1).toInt(),
                           {n(2), n(3), n(4), n(5), n(6), n(7), n(8)}});
    }
    return figures;
}

} // namespace brisma::server
