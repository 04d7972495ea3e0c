#pragma once

#include <iosfwd>
#include <string>

namespace brisma {

// The executable's own options. They all run without a display; any other argument is left to
// the toolkit and starts the application.
class CommandLine {
public:
    CommandLine(int argc, char** argv);

    bool startsApplication() const { return command_ == Command::none; }
    // Runs the option asked for (help, version, autostart, or a usage error); the exit status.
    int run(std::ostream& out, std::ostream& err) const;

private:
    enum class Command { none, help, version, autostartOn, autostartOff, usage };

    static void printHelp(std::ostream& out);
    int switchAutostart(std::ostream& out, std::ostream& err) const;

    Command command_ = Command::none;
    std::string bad_;
};

} // namespace brisma
