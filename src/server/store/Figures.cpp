#include "server/store/Figures.h"

#include "server/store/Connection.h"
#include "server/store/Database.h"

#include <QVariant>
#include <chrono>
#include <functional>

namespace brisma::server {
namespace {

constexpr std::int64_t kDayMs = 86'400'000;
constexpr std::int64_t kJapanOffsetMs = 9 * 3'600'000;

std::int64_t japanDay(std::int64_t ms) {
    return (ms + kJapanOffsetMs) / kDayMs;
}

int dayNumber(std::int64_t daysSinceEpoch) {
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{daysSinceEpoch}}};
    return static_cast<int>(date.year()) * 10000 +
           static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
           static_cast<int>(static_cast<unsigned>(date.day()));
}

// Runs `sql` over the period (its first two values) and hands each row to `take`.
void eachRow(Connection& connection, const QString& sql, std::int64_t fromMs, std::int64_t toMs,
             const std::function<void(const QSqlQuery&)>& take) {
    QSqlQuery rows = connection.select(sql);
    rows.bindValue(0, QVariant::fromValue<qint64>(fromMs));
    rows.bindValue(1, QVariant::fromValue<qint64>(toMs));
    Connection::run(rows);
    while (rows.next())
        take(rows);
}

} // namespace

Figures readFigures(const Database& database, std::int64_t fromMs, std::int64_t toMs, int topCount) {
    Figures figures;
    const std::int64_t first = japanDay(fromMs);
    for (std::int64_t day = first; day <= japanDay(toMs - 1); ++day) {
        figures.days.emplace_back();
        figures.days.back().day = dayNumber(day);
    }
    const auto on = [&](const QSqlQuery& row) -> DayFigures& {
        return figures.days[static_cast<std::size_t>(row.value(0).toLongLong() - first)];
    };

    Connection connection(database.address());
    // The day of a time in Japan (UTC+9, no summer time) in the database's own integer arithmetic.
    const QString day = u"(received + 32400000) / 86400000"_qs;
    const QString period = u" WHERE received >= ? AND received < ? "_qs;
    eachRow(connection,
            u"SELECT "_qs + day +
                u", COALESCE(channel, ''), SUM(CASE WHEN kind IN ('click', 'adclick') THEN 1 ELSE 0 END), "
                "SUM(CASE WHEN kind IN ('adview', 'view') THEN 1 ELSE 0 END) FROM reports"_qs +
                period + u"AND kind IN ('click', 'adclick', 'adview', 'view') GROUP BY 1, 2"_qs,
            fromMs, toMs, [&](const QSqlQuery& row) {
                on(row).channels[row.value(1).toString().toStdString()] = {row.value(2).toLongLong(),
                                                                           row.value(3).toLongLong()};
            });
    eachRow(
        connection,
        u"SELECT "_qs + day +
            u", SUM(CASE WHEN com = 'open' THEN 1 ELSE 0 END), SUM(CASE WHEN com = 'close' THEN 1 ELSE 0 END)"
            " FROM reports"_qs +
            period + u"AND kind = 'update' GROUP BY 1"_qs,
        fromMs, toMs, [&](const QSqlQuery& row) {
            on(row).opens = row.value(1).toLongLong();
            on(row).closes = row.value(2).toLongLong();
        });
    eachRow(connection,
            u"SELECT "_qs + day + u", COUNT(DISTINCT userid) FROM reports"_qs + period +
                u"AND known = 1 GROUP BY 1"_qs,
            fromMs, toMs, [&](const QSqlQuery& row) { on(row).activeUsers = row.value(1).toLongLong(); });
    eachRow(connection,
            u"SELECT (registered + 32400000) / 86400000, COUNT(*) FROM users WHERE registered >= ? AND "
            "registered < ? GROUP BY 1"_qs,
            fromMs, toMs, [&](const QSqlQuery& row) { on(row).registrations = row.value(1).toLongLong(); });

    QSqlQuery top = connection.select(
        u"SELECT headline, COUNT(*), (SELECT title FROM headlines WHERE headlines.id = reports.headline) "
        "FROM reports"_qs +
        period +
        u"AND kind = 'click' AND headline IS NOT NULL GROUP BY headline ORDER BY 2 DESC, 1 LIMIT ?"_qs);
    top.bindValue(0, QVariant::fromValue<qint64>(fromMs));
    top.bindValue(1, QVariant::fromValue<qint64>(toMs));
    top.bindValue(2, topCount);
    Connection::run(top);
    while (top.next())
        figures.top.push_back(
            {top.value(0).toString().toStdString(),
             top.value(2).isNull() ? std::nullopt : std::optional(top.value(2).toString().toStdString()),
             top.value(1).toLongLong()});
    return figures;
}

} // namespace brisma::server
