#include "shell/CommandLine.h"

#include "shell/Autostart.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <string_view>

namespace brisma {

CommandLine::CommandLine(int argc, char** argv) {
    for (int i = 1; i < argc && command_ == Command::none; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            command_ = Command::help;
        } else if (arg == "--version") {
            command_ = Command::version;
        } else if (arg == "--autostart" || arg.starts_with("--autostart=")) {
            std::string_view value;
            if (arg != "--autostart")
                value = arg.substr(arg.find('=') + 1);
            else if (i + 1 < argc)
                value = argv[++i];
            command_ = value == "on"    ? Command::autostartOn
                       : value == "off" ? Command::autostartOff
                                        : Command::usage;
            if (command_ == Command::usage)
                bad_ = "--autostart takes on or off";
        }
    }
}

void CommandLine::printHelp(std::ostream& out) {
    out << "Usage: brisma [--help] [--version] [--autostart on|off]\n"
           "\n"
           "Brisma: a headline bar along the bottom of the screen.\n"
           "\n"
           "  --autostart on   start Brisma at login (writes $XDG_CONFIG_HOME/autostart/brisma.desktop)\n"
           "  --autostart off  no longer start it at login (removes that file)\n"
           "\n"
           "Environment:\n"
           "  BRISMA_HOME      application folder (default $XDG_DATA_HOME/brisma)\n"
           "  BRISMA_SERVER    server base address, ending with / (default " BRISMA_SERVER_BASE_DEFAULT ")\n"
           "  BRISMA_DEBUG=1   write every reported error to stderr, every time (0: none; unset:\n"
           "                   each error at most once a minute)\n";
}

int CommandLine::run(std::ostream& out, std::ostream& err) const {
    switch (command_) {
    case Command::help:
        printHelp(out);
        return 0;
    case Command::version:
        out << BRISMA_VERSION << "\n";
        return 0;
    case Command::autostartOn:
    case Command::autostartOff:
        return switchAutostart(out, err);
    case Command::usage:
        err << "brisma: " << bad_ << "\n";
        printHelp(err);
        return 2;
    case Command::none:
        break;
    }
    return 0;
}

int CommandLine::switchAutostart(std::ostream& out, std::ostream& err) const {
    const std::string path = Autostart::entryPath();
    try {
        if (command_ == Command::autostartOn) {
            std::error_code ec;
            const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
            Autostart::enable(ec ? std::string("brisma") : self.string());
            out << "brisma: wrote " << path << ": Brisma starts at login\n";
        } else if (Autostart::disable()) {
            out << "brisma: removed " << path << ": Brisma no longer starts at login\n";
        } else {
            out << "brisma: " << path << " does not exist: Brisma does not start at login\n";
        }
        return 0;
    } catch (const std::exception& e) {
        err << "brisma: cannot change " << path << ": " << e.what() << "\n";
        return 1;
    }
}

} // namespace brisma
