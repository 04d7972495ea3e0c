#pragma once

namespace brisma::server {

class Connection;

// Creates the tables of a new database and upgrades an older one, step by step, recording the
// version reached. One schema for SQLite and PostgreSQL; only a row counter and a byte column are
// spelt differently. Throws StoreError for a database written by a newer server.
void prepareSchema(Connection& connection);

} // namespace brisma::server
