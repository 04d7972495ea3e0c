#pragma once

#include "server/store/DatabaseAddress.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <map>
#include <memory>
#include <optional>
#include <string>

// One open connection, used by the thread that opened it (Qt SQL's rule). Statements are prepared
// once and kept, since the writer runs the same few thousands of times a second.
namespace brisma::server {

class Connection {
public:
    // Throws StoreError when the database cannot be opened.
    explicit Connection(const DatabaseAddress& address);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool postgres() const { return postgres_; }
    // Whether the database still answers on this connection.
    bool alive();

    // The prepared statement of `sql`, its values to be bound by position.
    QSqlQuery& prepared(const QString& sql);
    // Runs a prepared statement; throws StoreError on failure.
    static void run(QSqlQuery& query);
    // Runs a statement without values, for schema and transaction control.
    void exec(const QString& sql);
    // A text value to bind; none binds NULL.
    static QVariant text(const std::optional<std::string>& value);
    // A statement for reading rows once, forward only.
    QSqlQuery select(const QString& sql);

    // A writing transaction: SQLite takes the write lock at once, so two processes never deadlock
    // upgrading a read lock.
    void begin();
    void commit();
    void rollback();

private:
    QString name_;
    bool postgres_;
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared_;
};

} // namespace brisma::server
