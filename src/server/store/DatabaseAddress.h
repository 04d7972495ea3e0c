#pragma once

#include <string>
#include <string_view>

// Where the database lives: SQLite in the data folder unless the configuration names a
// PostgreSQL server ("postgresql://user@host/db", or "postgresql:///db?host=/socket/folder&port=N"
// for a socket folder).
namespace brisma::server {

struct DatabaseAddress {
    bool postgres = false;
    std::string file; // SQLite
    std::string host; // PostgreSQL: a name, an address or a socket folder
    int port = -1;    // -1: the client library's default
    std::string user;
    std::string password;
    std::string database;

    // Throws StoreError for a setting that is neither empty nor a postgresql:// address.
    static DatabaseAddress fromSetting(std::string_view setting, const std::string& dataFolder);
    // For log lines: no password.
    std::string describe() const;
};

} // namespace brisma::server
