#include "server/cli/CommandLine.h"

#include "server/config/ServerConfig.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace brisma::server {
namespace {

constexpr const char* Usage = "usage: brisma-server --config FILE [--check]\n"
                              "       brisma-server feed [--json] SOURCE\n"
                              "       brisma-server stats --config FILE [--since 24h]\n"
                              "       brisma-server export --config FILE [--since 24h]\n"
                              "       brisma-server forget --config FILE USERID\n"
                              "       brisma-server opml --config FILE\n"
                              "       brisma-server opml-import FILE [--first-number N]\n"
                              "       brisma-server backup --config FILE DEST\n"
                              "       brisma-server ads --config FILE [--since 7d] [--json]\n"
                              "       brisma-server sources --config FILE [--json]\n";

enum Option : unsigned {
    Config = 1, // --config FILE, required where taken
    Check = 2,
    Json = 4,
    Since = 8,
    FirstNumber = 16,
};

// What each command takes: its options, and how many operands.
struct Grammar {
    const char* name;
    unsigned options;
    std::size_t operands;
};

constexpr std::array<Grammar, 10> Commands{{
    {"serve", Config | Check, 0},
    {"feed", Json, 1},
    {"stats", Config | Since, 0},
    {"export", Config | Since, 0},
    {"forget", Config, 1},
    {"opml", Config, 0},
    {"opml-import", FirstNumber, 1},
    {"backup", Config, 1},
    {"ads", Config | Json | Since, 0},
    {"sources", Config | Json, 0},
}};

std::nullopt_t refuse(std::ostream& err, const std::string& why) {
    err << "brisma-server: " << why << "\n" << Usage;
    return std::nullopt;
}

} // namespace

std::optional<CommandLine> readCommandLine(const std::vector<std::string>& words, std::ostream& err) {
    CommandLine line;
    std::size_t at = 0;
    const auto named = std::find_if(Commands.begin() + 1, Commands.end(), [&](const Grammar& g) {
        return !words.empty() && words.front() == g.name;
    });
    const Grammar& grammar = named == Commands.end() ? Commands.front() : *named;
    line.command = grammar.name;
    if (named != Commands.end())
        ++at;
    const auto takes = [&](unsigned option) { return (grammar.options & option) != 0; };
    for (; at < words.size(); ++at) {
        const std::string& word = words[at];
        const bool takesValue = (takes(Config) && word == "--config") ||
                                (takes(Since) && word == "--since") ||
                                (takes(FirstNumber) && word == "--first-number");
        if (takesValue && at + 1 == words.size())
            return refuse(err, word + " needs a value");
        if (takes(Config) && word == "--config") {
            line.config = words[++at];
        } else if (takes(Check) && word == "--check") {
            line.check = true;
        } else if (takes(Json) && word == "--json") {
            line.json = true;
        } else if (takes(Since) && word == "--since") {
            std::chrono::seconds since{};
            if (!parseDuration(words[++at], since))
                return refuse(err, "--since takes a duration such as 24h, 90m or 7d");
            line.since = since;
        } else if (takes(FirstNumber) && word == "--first-number") {
            const std::string& number = words[++at];
            if (number.empty() || number.size() > 3 ||
                !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
                std::stoi(number) < 1 || std::stoi(number) > 899)
                return refuse(err, "--first-number takes a channel number from 1 to 899");
            line.firstNumber = std::stoi(number);
        } else if (word.starts_with("--")) {
            return refuse(err, line.command + " does not take " + word);
        } else {
            line.operands.push_back(word);
        }
    }
    if (takes(Config) && line.config.empty())
        return refuse(err, line.command + " needs --config FILE");
    if (line.operands.size() != grammar.operands ||
        std::any_of(line.operands.begin(), line.operands.end(),
                    [](const std::string& o) { return o.empty(); }))
        return refuse(err,
                      line.command + " takes " +
                          (grammar.operands == 0 ? std::string("no operand") : std::string("one operand")));
    return line;
}

} // namespace brisma::server
