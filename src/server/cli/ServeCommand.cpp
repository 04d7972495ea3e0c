#include "server/cli/ServeCommand.h"

#include "platform/text/Cp932.h"
#include "server/cli/CommandLine.h"
#include "server/cli/RunningServer.h"
#include "server/cli/ServiceNotice.h"
#include "server/model/Clock.h"

#include <csignal>
#include <memory>
#include <ostream>

namespace brisma::server {

int runServeCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string& file = line.config;
    ServerConfig config;
    try {
        config = loadConfig(file);
    } catch (const ConfigError& e) {
        err << e.what() << std::endl;
        return Failed;
    }
    if (line.check) {
        out << file << ": " << config.channels.size() << " channels, no fault found" << std::endl;
        return Done;
    }
    text::installShiftJisAliases();
    // Every thread started from here on leaves these signals to the loop below.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int s : {SIGHUP, SIGINT, SIGTERM})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::unique_ptr<RunningServer> server;
    try {
        server = std::make_unique<RunningServer>(config, Clock::system());
    } catch (const std::exception& e) {
        err << "brisma-server: " << e.what() << std::endl;
        return Failed;
    }
    out << server->address() << std::endl;
    server->start();
    notifyService("READY=1");
    for (;;) {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGHUP)
            break;
        try {
            server->reload(loadConfig(file));
        } catch (const ConfigError& e) {
            err << e.what() << " (the configuration in use is kept)" << std::endl;
            continue;
        } catch (const std::exception& e) {
            err << "brisma-server: " << e.what() << " (the configuration in use is kept)" << std::endl;
            continue;
        }
        err << "brisma-server: " << file << " read again" << std::endl;
    }
    notifyService("STOPPING=1");
    server->stop();
    return Done;
}

} // namespace brisma::server
