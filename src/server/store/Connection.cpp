#include "server/store/Connection.h"

#include "server/store/StoreError.h"

#include <QSqlError>
#include <atomic>

namespace brisma::server {
namespace {

std::atomic<int> connections{0};

[[noreturn]] void fail(const QString& what, const QSqlError& error) {
    throw StoreError(what.left(60).toStdString() + ": " + error.text().toStdString());
}

} // namespace

Connection::Connection(const DatabaseAddress& address)
    : name_(u"brisma-store-"_qs + QString::number(++connections)), postgres_(address.postgres) {
    QSqlDatabase db = QSqlDatabase::addDatabase(postgres_ ? u"QPSQL"_qs : u"QSQLITE"_qs, name_);
    if (postgres_) {
        // The driver takes one host and one port; libpq, given them among the options, tries each.
        db.setUserName(QString::fromStdString(address.user));
        db.setPassword(QString::fromStdString(address.password));
        db.setDatabaseName(QString::fromStdString(address.database));
        db.setConnectOptions(QString::fromStdString(address.connectOptions()));
    } else {
        db.setDatabaseName(QString::fromStdString(address.file));
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=10000"_qs);
    }
    const bool opened = db.open();
    const QSqlError error = db.lastError();
    db = QSqlDatabase();
    try {
        if (!opened)
            throw StoreError("cannot open " + address.describe() + ": " + error.text().toStdString());
        if (postgres_) {
            exec(u"SET client_min_messages TO WARNING"_qs); // no notice for a table that exists
        } else {
            // Every commit reaches the disk before it is answered: a SIGKILL or a power loss keeps it.
            exec(u"PRAGMA journal_mode=WAL"_qs);
            exec(u"PRAGMA synchronous=FULL"_qs);
        }
    } catch (...) {
        // SQLite reads its file only at the first statement, so a file that is no database fails
        // after the open: either way the refused connection is unregistered.
        QSqlDatabase::removeDatabase(name_);
        throw;
    }
}

Connection::~Connection() {
    prepared_.clear();
    QSqlDatabase::database(name_, false).close();
    QSqlDatabase::removeDatabase(name_);
}

bool Connection::alive() {
    QSqlQuery probe(QSqlDatabase::database(name_, false));
    return probe.exec(u"SELECT 1"_qs);
}

QSqlQuery& Connection::prepared(const QString& sql) {
    auto found = prepared_.find(sql);
    if (found != prepared_.end())
        return *found->second;
    auto query = std::make_unique<QSqlQuery>(QSqlDatabase::database(name_, false));
    if (!query->prepare(sql))
        fail(sql, query->lastError());
    return *prepared_.emplace(sql, std::move(query)).first->second;
}

void Connection::run(QSqlQuery& query) {
    if (!query.exec())
        fail(query.lastQuery(), query.lastError());
}

void Connection::exec(const QString& sql) {
    QSqlQuery query(QSqlDatabase::database(name_, false));
    if (!query.exec(sql))
        fail(sql, query.lastError());
}

QVariant Connection::text(const std::optional<std::string>& value) {
    return value ? QVariant(QString::fromStdString(*value)) : QVariant(QMetaType::fromType<QString>());
}

QSqlQuery Connection::select(const QString& sql) {
    QSqlQuery query(QSqlDatabase::database(name_, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(sql, query.lastError());
    return query;
}

void Connection::begin() {
    exec(postgres_ ? u"BEGIN"_qs : u"BEGIN IMMEDIATE"_qs);
}

void Connection::commit() {
    exec(u"COMMIT"_qs);
}

void Connection::rollback() {
    exec(u"ROLLBACK"_qs);
}

} // namespace brisma::server
