#include "server/cli/OpenDatabase.h"

#include "server/store/StoreError.h"

#include <filesystem>

namespace brisma::server {

std::shared_ptr<Database> openDatabase(const ServerConfig& config) {
    const DatabaseAddress address = DatabaseAddress::fromSetting(config.database, config.dataFolder);
    if (!address.postgres) {
        namespace fs = std::filesystem;
        std::error_code error;
        fs::create_directories(config.dataFolder, error);
        if (!error)
            fs::permissions(config.dataFolder, fs::perms::owner_all, fs::perm_options::replace, error);
        if (error)
            throw StoreError("the data folder " + config.dataFolder + ": " + error.message());
    }
    return std::make_shared<Database>(address);
}

} // namespace brisma::server
