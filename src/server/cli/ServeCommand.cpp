#include "server/cli/ServeCommand.h"

#include "platform/text/Cp932.h"
#include "server/cli/CommandLine.h"
#include "server/cli/RunningServer.h"
#include "server/cli/ServiceNotice.h"
#include "server/model/Clock.h"
#include "server/model/Log.h"

#include <QString>
#include <QtGlobal>
#include <csignal>
#include <memory>
#include <ostream>

namespace brisma::server {
namespace {

// Qt's own warnings (its SQL drivers') as the server's lines: in text as Qt writes them.
void qtLine(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const Log::Level level = type == QtDebugMsg     ? Log::Debug
                             : type == QtInfoMsg    ? Log::Info
                             : type == QtWarningMsg ? Log::Warning
                                                    : Log::Error;
    Log::writeBare(level, qFormatLogMessage(type, context, message).toStdString());
}

} // namespace

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
    Log::setFormat(config.logFormat);
    qInstallMessageHandler(qtLine);
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
        Log::write(Log::Error, e.what());
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
            ServerConfig next = loadConfig(file);
            const Log::Format format = next.logFormat;
            server->reload(std::move(next));
            Log::setFormat(format);
        } catch (const ConfigError& e) {
            Log::writeBare(Log::Error, std::string(e.what()) + " (the configuration in use is kept)");
            continue;
        } catch (const std::exception& e) {
            Log::write(Log::Error, std::string(e.what()) + " (the configuration in use is kept)");
            continue;
        }
        Log::write(Log::Info, file + " read again");
    }
    notifyService("STOPPING=1");
    server->stop();
    return Done;
}

} // namespace brisma::server
