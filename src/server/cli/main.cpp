// brisma-server: serves the documents the client reads, built from the operator's configuration
// and the feeds it names, and stores its users and their reports; its other commands read one
// feed, show the figures and work on the store.
#include "server/cli/AdsCommand.h"
#include "server/cli/BackupCommand.h"
#include "server/cli/CommandLine.h"
#include "server/cli/FeedCommand.h"
#include "server/cli/OpmlCommands.h"
#include "server/cli/ServeCommand.h"
#include "server/cli/SourcesCommand.h"
#include "server/cli/StatsCommand.h"
#include "server/cli/StoreCommands.h"

#include <QCoreApplication>
#include <iostream>
#include <libxml/parser.h>
#include <optional>

int main(int argc, char** argv) {
    using namespace brisma::server;
    xmlInitParser(); // before any thread reads a feed: libxml2 sets itself up once, unguarded
    const std::optional<CommandLine> line = readCommandLine({argv + 1, argv + argc}, std::cerr);
    if (!line)
        return BadUsage;
    if (line->command == "feed")
        return runFeedCommand(*line, std::cout, std::cerr);
    if (line->command == "opml-import")
        return runOpmlImportCommand(*line, std::cout, std::cerr);
    // The HTTP layer and Qt SQL's drivers need an application object; it runs no event loop here.
    QCoreApplication app(argc, argv);
    if (line->command == "stats")
        return runStatsCommand(*line, std::cout, std::cerr);
    if (line->command == "export")
        return runExportCommand(*line, std::cout, std::cerr);
    if (line->command == "ads")
        return runAdsCommand(*line, std::cout, std::cerr);
    if (line->command == "sources")
        return runSourcesCommand(*line, std::cout, std::cerr);
    if (line->command == "forget")
        return runForgetCommand(*line, std::cout, std::cerr);
    if (line->command == "opml")
        return runOpmlCommand(*line, std::cout, std::cerr);
    if (line->command == "backup")
        return runBackupCommand(*line, std::cout, std::cerr);
    return runServeCommand(*line, std::cout, std::cerr);
}
