// brisma-server: serves the documents the client reads, built from the operator's configuration
// and the feeds it names, and stores its users and their reports. "--config FILE" serves,
// "--check" only validates the file, "feed" reads one source without either; "export" and
// "forget" work on the store.
#include "platform/text/Cp932.h"
#include "server/FeedCommand.h"
#include "server/OpenDatabase.h"
#include "server/ReportRetention.h"
#include "server/StatsCommand.h"
#include "server/StoreCommands.h"
#include "server/config/ServerConfig.h"
#include "server/sources/Newsroom.h"
#include "server/store/Database.h"
#include "server/store/UserTable.h"
#include "server/web/WebServer.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <libxml/parser.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace brisma::server;

int usage() {
    std::cerr << "usage: brisma-server --config FILE [--check]\n"
                 "       brisma-server feed [--json] SOURCE\n"
                 "       brisma-server stats --config FILE [--since 24h]\n"
                 "       brisma-server export --config FILE [--since 24h]\n"
                 "       brisma-server forget --config FILE USERID\n";
    return 2;
}

Site siteOf(const ServerConfig& config, const std::shared_ptr<Newsroom>& newsroom,
            const std::shared_ptr<const Database>& database) {
    auto content = std::make_shared<const StaticContent>(config.contentFolder, config.base);
    std::string channelList = content->scriptPath("channel");
    if (channelList.empty())
        channelList = "/channel.xml";
    // The shelf lives as long as a request holds it, even past a reload.
    AdminSite admin{database, config.adminToken, config.adminLoopback, {}};
    for (const ChannelConfig& channel : config.channels)
        admin.channelNames[ServerConfig::feedPath(channel.entry.number).substr(sizeof "/feeds/" - 1, 3)] =
            channel.entry.name;
    return {std::shared_ptr<const Shelf>(newsroom, &newsroom->shelf()), std::move(content), channelList,
            std::move(admin)};
}

int serve(const std::string& file, bool check) {
    ServerConfig config;
    try {
        config = loadConfig(file);
    } catch (const ConfigError& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
    if (check) {
        std::cout << file << ": " << config.channels.size() << " channels, no fault found" << std::endl;
        return 0;
    }
    brisma::text::installShiftJisAliases();
    // Every thread started from here on leaves these signals to the loop below.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int s : {SIGHUP, SIGINT, SIGTERM})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::shared_ptr<Database> database;
    std::shared_ptr<Newsroom> newsroom;
    try {
        database = openDatabase(config);
        std::cerr << "brisma-server: database " << database->address().describe() << std::endl;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        for (const std::string& id : config.keepUsers)
            UserTable(*database)
                .keepUser(id, std::chrono::duration_cast<std::chrono::milliseconds>(now).count())
                .get();
        newsroom = std::make_shared<Newsroom>(config, database);
    } catch (const std::exception& e) {
        std::cerr << "brisma-server: " << e.what() << std::endl;
        return 1;
    }
    std::optional<ReportRetention> retention;
    if (config.keepDays > 0)
        retention.emplace(*database, config.keepDays);
    Intake intake(*database);

    std::unique_ptr<WebServer> web;
    try {
        web = std::make_unique<WebServer>(config.listenHost, config.listenPort,
                                          siteOf(config, newsroom, database), WebServer::Limits{}, intake);
    } catch (const std::exception& e) {
        std::cerr << "brisma-server: " << e.what() << std::endl;
        return 1;
    }
    const bool v6 = config.listenHost.find(':') != std::string::npos;
    std::cout << "http://" << (v6 ? "[" + config.listenHost + "]" : config.listenHost) << ":" << web->port()
              << "/" << std::endl;
    newsroom->start();

    for (;;) {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGHUP)
            break;
        ServerConfig next;
        try {
            next = loadConfig(file);
        } catch (const ConfigError& e) {
            std::cerr << e.what() << " (the configuration in use is kept)" << std::endl;
            continue;
        }
        if (next.listenHost != config.listenHost || next.listenPort != config.listenPort)
            std::cerr << "brisma-server: a new listen address takes effect at the next start" << std::endl;
        if (next.database != config.database || next.dataFolder != config.dataFolder ||
            next.keepDays != config.keepDays)
            std::cerr << "brisma-server: a new database or keep_days takes effect at the next start"
                      << std::endl;
        std::shared_ptr<Newsroom> fresh;
        try {
            fresh = std::make_shared<Newsroom>(next, database);
        } catch (const std::exception& e) {
            std::cerr << "brisma-server: " << e.what() << " (the configuration in use is kept)" << std::endl;
            continue;
        }
        // The old sources stop before the new ones start, so no host ever sees two requests at
        // once; meanwhile the old documents are served.
        newsroom->stop();
        newsroom = std::move(fresh);
        web->replace(siteOf(next, newsroom, database));
        newsroom->start();
        config = std::move(next);
        std::cerr << "brisma-server: " << file << " read again" << std::endl;
    }
    web.reset();
    newsroom->stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    xmlInitParser(); // before any thread reads a feed: libxml2 sets itself up once, unguarded
    if (argc > 1 && std::strcmp(argv[1], "feed") == 0)
        return runFeedCommand({argv + 2, argv + argc}, std::cout, std::cerr);
    // The HTTP layer and Qt SQL's drivers need an application object; it runs no event loop here.
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 2, argv + std::max(argc, 2));
    if (argc > 1 && std::strcmp(argv[1], "stats") == 0)
        return runStatsCommand(args, std::cout, std::cerr);
    if (argc > 1 && std::strcmp(argv[1], "export") == 0)
        return runExportCommand(args, std::cout, std::cerr);
    if (argc > 1 && std::strcmp(argv[1], "forget") == 0)
        return runForgetCommand(args, std::cout, std::cerr);
    std::string config;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc)
            config = argv[++i];
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else
            return usage();
    }
    if (config.empty())
        return usage();
    return serve(config, check);
}
