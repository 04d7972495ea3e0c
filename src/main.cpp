#include "common/AppPaths.h"
#include "platform/log/ErrorLog.h"
#include "platform/text/Cp932.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/DisplayCheck.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QFont>
#include <QSocketNotifier>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <malloc.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
// Set on the GUI thread when a termination signal has been read.
bool terminationRequested = false;
// Before the main loop runs quit() does nothing.
bool mainLoopRunning = false;

void onTerminationSignal(int) {
    const char byte = 1;
    (void)!::write(signalPipe[1], &byte, 1);
}

// A logout or a kill ends the application through the same close as the session's end: the
// main window's query-unload, unload and terminate handlers run, nothing is saved. The download
// in flight is given up at once, so start-up or the procedure waiting for it stops there.
void quitOnTerminationSignals(QObject* owner, brisma::Application& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&app] {
        char byte = 0;
        (void)!::read(signalPipe[0], &byte, 1);
        terminationRequested = true;
        app.terminate();
        // During start-up only a loop of its own may run (a message box): it ends, and so start-up.
        if (mainLoopRunning)
            QCoreApplication::quit();
        else
            QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const brisma::CommandLine commandLine(argc, argv);
    if (!commandLine.startsApplication())
        return commandLine.run(std::cout, std::cerr);

    // Before any thread starts.
    brisma::text::installShiftJisAliases();
    // Downloaded panel movies must not read or write files through XMLHttpRequest.
    ::unsetenv("QML_XHR_ALLOW_FILE_READ");
    ::unsetenv("QML_XHR_ALLOW_FILE_WRITE");
    brisma::preferXcbUnderWayland();
    if (const auto noDisplay = brisma::unreachableDisplay(argc, argv)) {
        std::cerr << *noDisplay << "\n";
        return 1;
    }

    // One malloc arena for every thread: the helpers (downloads, the report sender) allocate
    // little and briefly, and an arena of their own would keep what they freed resident.
    mallopt(M_ARENA_MAX, 1);
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The interface is Japanese: the bar's face is everything's default, so the menus and the
    // panels' texts need no second font loaded to show it.
    QFont face = QApplication::font();
    face.setFamilies({QStringLiteral("IPAGothic")});
    QApplication::setFont(face);

    brisma::ApplicationConfig config;
    config.appFolder = brisma::defaultAppFolder();
    const char* server = std::getenv("BRISMA_SERVER");
    config.serverBase = (server && *server) ? server : BRISMA_SERVER_BASE_DEFAULT;
    if (const char* retry = std::getenv("BRISMA_SCRIPT_RETRY_MS"); retry && std::atoi(retry) > 0)
        config.scriptRetryMs = std::atoi(retry);
    std::error_code ec;
    const bool firstRun = !std::filesystem::exists(config.appFolder, ec);
    std::filesystem::create_directories(config.appFolder, ec);
    if (ec) {
        std::cerr << "brisma: cannot create the application folder " << config.appFolder << ": "
                  << ec.message() << "\n";
        return 1;
    }
    if (firstRun)
        std::cerr << "brisma: first start: created the application folder " << config.appFolder
                  << "; the server is " << config.serverBase << "\n";

    brisma::Application app(std::move(config));
    app.errors().setObserver(brisma::ErrorLog(brisma::configureErrorLog(std::getenv("BRISMA_DEBUG"))));
    QObject::connect(&qapp, &QCoreApplication::aboutToQuit, &qapp, [&app] { app.main().Unload(); });
    quitOnTerminationSignals(&qapp, app);
    if (!app.start())
        return 0;
    // A signal read during start-up found no main loop to end.
    if (terminationRequested) {
        app.main().Unload();
        return 0;
    }
    mainLoopRunning = true;
    return QApplication::exec();
}
