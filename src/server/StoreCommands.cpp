#include "server/StoreCommands.h"

#include "server/OpenDatabase.h"
#include "server/config/ServerConfig.h"
#include "server/store/Database.h"
#include "server/store/ReportTable.h"
#include "server/store/StoreError.h"
#include "server/store/UserTable.h"

#include <chrono>
#include <optional>

namespace brisma::server {
namespace {

struct Arguments {
    std::string config;
    std::optional<std::chrono::seconds> since;
    std::vector<std::string> rest;
};

// False, with the reason on `err`, for an argument that is none of these.
bool readArguments(const std::vector<std::string>& args, bool withSince, Arguments& out, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config" && i + 1 < args.size()) {
            out.config = args[++i];
        } else if (withSince && args[i] == "--since" && i + 1 < args.size()) {
            std::chrono::seconds since{};
            if (!parseDuration(args[++i], since)) {
                err << "brisma-server: --since takes a duration such as 24h or 90m" << std::endl;
                return false;
            }
            out.since = since;
        } else if (args[i].starts_with("--")) {
            err << "brisma-server: unknown option " << args[i] << std::endl;
            return false;
        } else {
            out.rest.push_back(args[i]);
        }
    }
    if (out.config.empty()) {
        err << "brisma-server: --config FILE is required" << std::endl;
        return false;
    }
    return true;
}

} // namespace

int runExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments arguments;
    if (!readArguments(args, true, arguments, err))
        return 1;
    if (!arguments.rest.empty()) {
        err << "brisma-server: export takes no argument " << arguments.rest.front() << std::endl;
        return 1;
    }
    try {
        const ServerConfig config = loadConfig(arguments.config);
        const auto database = openDatabase(config);
        std::int64_t sinceMs = 0;
        if (arguments.since) {
            const auto from = std::chrono::system_clock::now() - *arguments.since;
            sinceMs = std::chrono::duration_cast<std::chrono::milliseconds>(from.time_since_epoch()).count();
        }
        ReportTable(*database).exportLines(out, sinceMs);
        out.flush();
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}

int runForgetCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments arguments;
    if (!readArguments(args, false, arguments, err))
        return 1;
    if (arguments.rest.size() != 1 || arguments.rest.front().empty()) {
        err << "brisma-server: forget takes one user id" << std::endl;
        return 1;
    }
    const std::string& id = arguments.rest.front();
    try {
        const ServerConfig config = loadConfig(arguments.config);
        const auto database = openDatabase(config);
        const Forgotten forgotten = UserTable(*database).forget(id).get();
        if (forgotten.users == 0 && forgotten.reports == 0) {
            err << "brisma-server: nothing is stored for " << id << std::endl;
            return 1;
        }
        out << "forgot " << id << ": " << forgotten.users << " profile, " << forgotten.reports << " reports"
            << std::endl;
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}

} // namespace brisma::server
