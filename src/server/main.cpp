#include "server/FeedCommand.h"

#include <iostream>
#include <libxml/parser.h>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    xmlInitParser(); // before any thread reads a feed: libxml2 sets itself up once, unguarded
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "feed")
        return brisma::server::runFeedCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    std::cerr << "usage: brisma-server feed [--json] SOURCE\n";
    return 1;
}
