#include "server/cli/OpmlCommands.h"

#include "platform/fs/FileSystem.h"
#include "server/cli/CommandLine.h"
#include "server/config/Opml.h"

#include <ostream>

namespace brisma::server {

int runOpmlCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    try {
        out << opmlOfChannels(loadConfig(line.config).channels);
        out.flush();
    } catch (const ConfigError& e) {
        err << e.what() << std::endl;
        return Failed;
    }
    return Done;
}

int runOpmlImportCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string& file = line.operands.front();
    try {
        std::vector<std::string> notices;
        const std::vector<OpmlChannel> channels = channelsOfOpml(fs::readFile(file), notices);
        for (const std::string& notice : notices)
            err << file << ": " << notice << "\n";
        if (channels.empty()) {
            err << file << ": holds no feed" << std::endl;
            return Failed;
        }
        out << channelTables(channels, line.firstNumber);
        out.flush();
    } catch (const std::exception& e) {
        err << file << ": " << e.what() << std::endl;
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
