#include "server/cli/BackupCommand.h"

#include "server/cli/CommandLine.h"
#include "server/config/ServerConfig.h"
#include "server/store/DatabaseAddress.h"
#include "server/store/StoreBackup.h"

#include <ostream>

namespace brisma::server {

int runBackupCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string& folder = line.operands.front();
    try {
        const ServerConfig config = loadConfig(line.config);
        backUpStore(DatabaseAddress::fromSetting(config.database, config.dataFolder), folder);
        out << "backed up to " << folder << "/brisma.sqlite; name that folder as data to restore it"
            << std::endl;
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
