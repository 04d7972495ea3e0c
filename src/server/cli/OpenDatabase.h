#pragma once

#include "server/config/ServerConfig.h"
#include "server/store/Database.h"

#include <memory>

namespace brisma::server {

// The configuration's database, its data folder created (mode 0700) first, since SQLite lives in
// it and it holds personal data. Throws StoreError.
std::shared_ptr<Database> openDatabase(const ServerConfig& config);

} // namespace brisma::server
