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
                              "       brisma-server ads --config FILE [--since 7d] [--json]\n";

// What each command takes: its options, and how many operands.
struct Grammar {
    const char* name;
    bool config; // --config FILE, required
    bool check;
    bool json;
    bool since;
    std::size_t operands;
};

constexpr std::array<Grammar, 6> Commands{{
    {"serve", true, true, false, false, 0},
    {"feed", false, false, true, false, 1},
    {"stats", true, false, false, true, 0},
    {"export", true, false, false, true, 0},
    {"forget", true, false, false, false, 1},
    {"ads", true, false, true, true, 0},
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
    for (; at < words.size(); ++at) {
        const std::string& word = words[at];
        const bool takesValue =
            (grammar.config && word == "--config") || (grammar.since && word == "--since");
        if (takesValue && at + 1 == words.size())
            return refuse(err, word + " needs a value");
        if (grammar.config && word == "--config") {
            line.config = words[++at];
        } else if (grammar.check && word == "--check") {
            line.check = true;
        } else if (grammar.json && word == "--json") {
            line.json = true;
        } else if (grammar.since && word == "--since") {
            std::chrono::seconds since{};
            if (!parseDuration(words[++at], since))
                return refuse(err, "--since takes a duration such as 24h, 90m or 7d");
            line.since = since;
        } else if (word.starts_with("--")) {
            return refuse(err, line.command + " does not take " + word);
        } else {
            line.operands.push_back(word);
        }
    }
    if (grammar.config && line.config.empty())
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
