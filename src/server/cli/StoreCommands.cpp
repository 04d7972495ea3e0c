#include "server/cli/StoreCommands.h"

#include "server/cli/CommandLine.h"
#include "server/cli/OpenDatabase.h"
#include "server/config/ServerConfig.h"
#include "server/model/Clock.h"
#include "server/store/Database.h"
#include "server/store/ReportTable.h"
#include "server/store/StoreError.h"
#include "server/store/UserTable.h"

#include <chrono>
#include <ostream>

namespace brisma::server {

int runExportCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    try {
        const ServerConfig config = loadConfig(line.config);
        const auto database = openDatabase(config);
        std::int64_t sinceMs = 0;
        if (line.since)
            sinceMs = Clock::system().nowMs() -
                      std::chrono::duration_cast<std::chrono::milliseconds>(*line.since).count();
        ReportTable(*database).exportLines(out, sinceMs);
        out.flush();
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return Failed;
    }
    return Done;
}

int runForgetCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string& id = line.operands.front();
    try {
        const ServerConfig config = loadConfig(line.config);
        const auto database = openDatabase(config);
        const Forgotten forgotten = UserTable(*database).forget(id).get();
        if (forgotten.users == 0 && forgotten.reports == 0) {
            err << "brisma-server: nothing is stored for " << id << std::endl;
            return Failed;
        }
        out << "forgot " << id << ": " << forgotten.users << " profile, " << forgotten.reports << " reports"
            << std::endl;
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
