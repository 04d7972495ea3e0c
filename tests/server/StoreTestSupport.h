#pragma once

#include "PostgresServer.h"
#include "server/store/Database.h"

#include <QTemporaryDir>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace brisma::server::test {

// Milliseconds since the epoch of a time in Japan (UTC+9).
std::int64_t japanMs(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, int second = 0);

// Every case runs on both engines: SQLite in a temporary folder, and (parameter true) a database
// of a private PostgreSQL server started once per test process.
class StoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override;
    void reopen();

    QTemporaryDir folder;
    std::string setting; // the server's `database` setting; empty for SQLite
    std::unique_ptr<Database> database;
    brisma::test::PostgresServer* postgres = nullptr; // for PostgreSQL
};

std::string engineName(const ::testing::TestParamInfo<bool>& info);

} // namespace brisma::server::test
