#include "server/StatsCommand.h"

#include "server/OpenDatabase.h"
#include "server/admin/FiguresTable.h"
#include "server/store/StoreError.h"

#include <chrono>

namespace brisma::server {

int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string file;
    std::chrono::seconds since{24 * 3600};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config" && i + 1 < args.size()) {
            file = args[++i];
        } else if (args[i] == "--since" && i + 1 < args.size()) {
            if (!parseDuration(args[++i], since)) {
                err << "brisma-server stats: --since takes a duration such as 24h or 90m\n";
                return 2;
            }
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        err << "usage: brisma-server stats --config FILE [--since 24h]\n";
        return 2;
    }
    try {
        const ServerConfig config = loadConfig(file);
        const auto database = openDatabase(config);
        const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        const std::int64_t from = now - std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
        printFigures(out, readFigures(*database, from, now, 20));
    } catch (const ConfigError& e) {
        err << e.what() << "\n";
        return 1;
    } catch (const StoreError& e) {
        err << "brisma-server stats: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace brisma::server
