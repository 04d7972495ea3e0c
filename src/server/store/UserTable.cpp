#include "server/store/UserTable.h"

#include "server/store/Database.h"
#include "server/store/StoreError.h"

#include <QVariant>
#include <sys/random.h>

namespace brisma::server {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kIdLength = 20; // 62^20: 119 bits

void storeProfile(Connection& connection, const std::string& id, const Query& query) {
    QSqlQuery& clear = connection.prepared(u"DELETE FROM user_fields WHERE userid = ?"_qs);
    clear.bindValue(0, QString::fromStdString(id));
    Connection::run(clear);
    QSqlQuery& insert =
        connection.prepared(u"INSERT INTO user_fields (userid, pos, name, value) VALUES (?, ?, ?, ?)"_qs);
    for (std::size_t pos = 0; pos < query.size(); ++pos) {
        insert.bindValue(0, QString::fromStdString(id));
        insert.bindValue(1, static_cast<int>(pos));
        insert.bindValue(2, QString::fromStdString(query[pos].key));
        insert.bindValue(3, Connection::text(query[pos].value));
        Connection::run(insert);
    }
}

// Inserts the user unless the id is taken; true when inserted.
bool insertUser(Connection& connection, const std::string& id, std::int64_t nowMs) {
    QSqlQuery& insert = connection.prepared(
        u"INSERT INTO users (id, registered, updated) VALUES (?, ?, ?) ON CONFLICT (id) DO NOTHING"_qs);
    insert.bindValue(0, QString::fromStdString(id));
    insert.bindValue(1, QVariant::fromValue<qint64>(nowMs));
    insert.bindValue(2, QVariant::fromValue<qint64>(nowMs));
    Connection::run(insert);
    return insert.numRowsAffected() == 1;
}

} // namespace

std::string UserTable::newId() {
    std::string id;
    while (id.size() < kIdLength) {
        unsigned char bytes[32];
        if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
            throw StoreError("the system's random source failed");
        for (unsigned char byte : bytes)
            if (byte < 248 && id.size() < kIdLength) // 248 = 4 * 62: no letter more likely than another
                id += kAlphabet[byte % kAlphabet.size()];
    }
    return id;
}

std::future<std::string> UserTable::registerUser(const Query& query, std::int64_t nowMs) {
    return database_.write<std::string>([query, nowMs](Connection& connection) {
        std::string id = newId();
        while (!insertUser(connection, id, nowMs))
            id = newId();
        storeProfile(connection, id, query);
        return id;
    });
}

std::future<bool> UserTable::updateProfile(const std::string& id, const Query& query, std::int64_t nowMs) {
    return database_.write<bool>([id, query, nowMs](Connection& connection) {
        if (id.empty())
            return false;
        QSqlQuery& touch = connection.prepared(u"UPDATE users SET updated = ? WHERE id = ?"_qs);
        touch.bindValue(0, QVariant::fromValue<qint64>(nowMs));
        touch.bindValue(1, QString::fromStdString(id));
        Connection::run(touch);
        if (touch.numRowsAffected() != 1)
            return false;
        storeProfile(connection, id, query);
        return true;
    });
}

std::future<void> UserTable::keepUser(const std::string& id, std::int64_t nowMs) {
    return database_.write<void>([id, nowMs](Connection& connection) { insertUser(connection, id, nowMs); });
}

std::future<Forgotten> UserTable::forget(const std::string& id) {
    return database_.write<Forgotten>([id](Connection& connection) {
        const auto remove = [&](const QString& sql) -> std::int64_t {
            QSqlQuery& statement = connection.prepared(sql);
            statement.bindValue(0, QString::fromStdString(id));
            Connection::run(statement);
            return statement.numRowsAffected();
        };
        remove(u"DELETE FROM user_fields WHERE userid = ?"_qs);
        remove(u"DELETE FROM ad_clicks WHERE userid = ?"_qs); // the day figures stay as they are
        return Forgotten{remove(u"DELETE FROM users WHERE id = ?"_qs),
                         remove(u"DELETE FROM reports WHERE userid = ?"_qs)};
    });
}

} // namespace brisma::server
