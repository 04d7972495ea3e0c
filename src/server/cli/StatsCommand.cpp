#include "server/cli/StatsCommand.h"

#include "server/admin/FiguresTable.h"
#include "server/cli/CommandLine.h"
#include "server/cli/OpenDatabase.h"
#include "server/model/Clock.h"
#include "server/store/StoreError.h"

#include <chrono>
#include <ostream>

namespace brisma::server {

int runStatsCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::chrono::seconds since = line.since.value_or(std::chrono::hours(24));
    try {
        const ServerConfig config = loadConfig(line.config);
        const auto database = openDatabase(config);
        const std::int64_t now = Clock::system().nowMs();
        const std::int64_t from = now - std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
        printFigures(out, readFigures(*database, from, now, 20));
    } catch (const ConfigError& e) {
        err << e.what() << "\n";
        return Failed;
    } catch (const StoreError& e) {
        err << "brisma-server stats: " << e.what() << "\n";
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
