#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where the database lives: SQLite in the data folder unless the configuration names a
// PostgreSQL server ("postgresql://user@host/db", "postgresql://h1:5432,h2:5433/db", or
// "postgresql:///db?host=/socket/folder&port=N" for a socket folder), with libpq's connection
// parameters that the server passes on (sslmode, connect_timeout, ...).
namespace brisma::server {

struct DatabaseAddress {
    bool postgres = false;
    std::string file; // SQLite
    // PostgreSQL: names, addresses or socket folders, tried in turn; none: the default socket.
    std::vector<std::string> hosts;
    // None: the client library's default; one: for every host; else one per host, -1 for the default.
    std::vector<int> ports;
    std::string user;
    std::string password;
    std::string database;
    std::vector<std::pair<std::string, std::string>> parameters; // for libpq, in the setting's order

    // Throws StoreError ("database: what") for a setting that is neither empty nor a postgresql://
    // address, or that names a parameter the server does not pass on or a value libpq would refuse.
    static DatabaseAddress fromSetting(std::string_view setting, const std::string& dataFolder);
    // The hosts, ports and parameters as the QPSQL driver's connection options.
    std::string connectOptions() const;
    // For log lines: no password.
    std::string describe() const;
};

} // namespace brisma::server
