#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// brisma-server's command line: one reader for every command, one usage text, one set of exit
// statuses.
namespace brisma::server {

enum ExitStatus : int {
    Done = 0,
    Failed = 1,
    BadUsage = 2,
};

struct CommandLine {
    std::string command; // "serve" when the first word is no command's name
    std::string config;  // --config FILE
    bool check = false;  // --check
    bool json = false;   // --json
    std::optional<std::chrono::seconds> since;
    int firstNumber = 1; // --first-number N
    std::vector<std::string> operands;
};

// Reads the words after the program's name. None, after the reason and the usage text on
// `err`, for words the command does not take.
std::optional<CommandLine> readCommandLine(const std::vector<std::string>& words, std::ostream& err);

} // namespace brisma::server
