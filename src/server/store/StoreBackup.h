#pragma once

#include <string>

// A consistent copy of the SQLite store, taken while servers write to it: a data folder of its
// own, which a configuration's `data` can name to restore it.
namespace brisma::server {

struct DatabaseAddress;

// Writes `folder`/brisma.sqlite (the folder made mode 0700, or empty). Throws StoreError for a
// PostgreSQL store (pg_dump and pg_basebackup copy those), a folder that holds files, or a copy
// that could not be written whole; a partial copy is removed.
void backUpStore(const DatabaseAddress& address, const std::string& folder);

} // namespace brisma::server
