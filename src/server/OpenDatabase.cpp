#include "server/OpenDatabase.h"

#include <filesystem>

namespace brisma::server {

std::shared_ptr<Database> openDatabase(const ServerConfig& config) {
    const DatabaseAddress address = DatabaseAddress::fromSetting(config.database, config.dataFolder);
    if (!address.postgres) {
        namespace fs = std::filesystem;
        fs::create_directories(config.dataFolder);
        fs::permissions(config.dataFolder, fs::perms::owner_all, fs::perm_options::replace);
    }
    return std::make_shared<Database>(address);
}

} // namespace brisma::server
