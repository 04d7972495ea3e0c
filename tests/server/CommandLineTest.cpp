#include "server/cli/CommandLine.h"

#include <gtest/gtest.h>
#include <sstream>

namespace brisma::server {
namespace {

TEST(CommandLine, EveryCommandTakesItsOwnWordsAndNothingElse) {
    struct Accepted {
        std::vector<std::string> words;
        std::string command;
        std::string config;
        std::vector<std::string> operands;
    };
    for (const Accepted& c : {
             Accepted{{"--config", "a.toml"}, "serve", "a.toml", {}},
             Accepted{{"--check", "--config", "a.toml"}, "serve", "a.toml", {}},
             Accepted{{"feed", "--json", "f.xml"}, "feed", "", {"f.xml"}},
             Accepted{{"stats", "--since", "90m", "--config", "a.toml"}, "stats", "a.toml", {}},
             Accepted{{"forget", "--config", "a.toml", "U1"}, "forget", "a.toml", {"U1"}},
         }) {
        std::ostringstream err;
        const auto line = readCommandLine(c.words, err);
        ASSERT_TRUE(line) << c.words.front() << ": " << err.str();
        EXPECT_EQ(line->command, c.command);
        EXPECT_EQ(line->config, c.config);
        EXPECT_EQ(line->operands, c.operands);
        EXPECT_EQ(err.str(), "");
    }
    struct Refused {
        std::vector<std::string> words;
        std::string why;
    };
    for (const Refused& c : {
             Refused{{}, "serve needs --config FILE"},
             Refused{{"--config"}, "--config needs a value"},
             Refused{{"--config", "a", "--json"}, "serve does not take --json"},
             Refused{{"feed"}, "feed takes one operand"},
             Refused{{"feed", "--config", "a", "f.xml"}, "feed does not take --config"},
             Refused{{"stats", "--config", "a", "--since", "soon"},
                     "--since takes a duration such as 24h, 90m or 7d"},
             Refused{{"export", "--config", "a", "extra"}, "export takes no operand"},
             Refused{{"forget", "--config", "a"}, "forget takes one operand"},
             Refused{{"forget", "--config", "a", ""}, "forget takes one operand"},
             Refused{{"export"}, "export needs --config FILE"},
         }) {
        std::ostringstream why;
        EXPECT_FALSE(readCommandLine(c.words, why));
        EXPECT_TRUE(why.str().starts_with("brisma-server: " + c.why + "\nusage: brisma-server --config FILE"))
            << why.str();
    }
}

} // namespace
} // namespace brisma::server
