// The running client with the bar open and scrolling, against a loopback server.
//
//   bench_bar_run cost SECONDS [XSERVER_PID]
//     own CPU seconds per minute, wake-ups per second (context switches of every thread),
//     resident memory and, given its pid, the X server's CPU over the window.
//   bench_bar_run closed SECONDS [XSERVER_PID]
//     the same with the bar closed and nothing downloading: what the idle client costs.
//   bench_bar_run faults [DELAY_MS]
//     start-up, a refresh, a click and a module download, each against a server that answers
//     after DELAY_MS (2000) and one that never answers: how long the phase took, the median and
//     worst gap between turns of the event loop, and the bar's frames meanwhile.
//
// Run under Xvfb with QT_QPA_PLATFORM=xcb for the server-side picture, or offscreen.
#include "BarBench.h"
#include "bar/frmTicker.h"
#include "panels/modFlashLoader.h"
#include "platform/text/Cp932.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace brisma::bench {
namespace {

namespace fsys = std::filesystem;
const std::string kData = BRISMA_NORMAL_START_DATA;

std::string withBase(std::string bytes, const std::string& base) {
    for (auto at = bytes.find("{BASE}"); at != std::string::npos; at = bytes.find("{BASE}", at))
        bytes.replace(at, 6, base);
    return bytes;
}

// The normal start's server: eight channels, movies, one logged click, and a module; every
// answer delayed, or none given. `seed` also fills the folder for a registered user.
void serveNormalStart(test::TestServer& server, test::TempAppFolder& folder, int delayMs, bool hang,
                      bool seed = true) {
    const auto route = [&](const std::string& path, std::string body) {
        test::TestServer::Response r;
        r.body = std::move(body);
        r.delayMs = delayMs;
        r.hang = hang;
        server.route(path, r);
    };
    route("/modules/m.qml", "import QtQuick\nItem {}\n");
    for (const char* report : {"/logclick", "/logadclick", "/logupdate", "/logadview"})
        route(report, "");
    for (const auto& e : fsys::recursive_directory_iterator(kData + "/serve")) {
        if (!e.is_regular_file())
            continue;
        const std::string rel = fsys::relative(e.path(), kData + "/serve").string();
        route(rel == "movie/movie.xml" ? "/movie//movie.xml" : "/" + rel,
              withBase(test::readTestData(kData + "/serve", rel), server.base()));
    }
    route("/scripts_desktop3.xml", test::scriptXml(server.base()));
    if (!seed)
        return;
    fsys::copy(kData + "/cache", folder.path(), fsys::copy_options::recursive);
    test::writeProfile(folder, "3.1.1");
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Voluntary and involuntary context switches of every thread of this process.
long contextSwitches() {
    long total = 0;
    for (const auto& task : fsys::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// User and system CPU of another process, from /proc/<pid>/stat.
double otherCpuSeconds(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14 || i == 15)
            ticks += std::stod(field);
        if (i == 15)
            break;
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int cost(int seconds, long xserverPid, bool barOpen) {
    test::TempAppFolder folder;
    test::TestServer server;
    serveNormalStart(server, folder, 0, false);
    test::TestApp t(folder, server);
    if (!t.start())
        return 1;
    if (barOpen)
        t.app().ticker().OpenTicker();
    runFor(2000);
    const double cpu0 = processCpuSeconds();
    const double x0 = xserverPid ? otherCpuSeconds(xserverPid) : 0;
    const long switches0 = contextSwitches();
    runFor(seconds * 1000);
    const double minutes = seconds / 60.0;
    std::printf("drawing path: %s\n", drawingPath(t.app().ticker()).c_str());
    std::printf("window: %d s, bar %s, %d px, %d slots\n", seconds, barOpen ? "open" : "closed",
                t.app().ticker().width(), t.app().ticker().intMaxHeadLine);
    std::printf("own CPU: %.3f s per minute\n", (processCpuSeconds() - cpu0) / minutes);
    if (xserverPid)
        std::printf("X server CPU: %.3f s per minute\n", (otherCpuSeconds(xserverPid) - x0) / minutes);
    std::printf("wake-ups: %.1f per second (context switches, all threads)\n",
                static_cast<double>(contextSwitches() - switches0) / seconds);
    std::printf("resident memory: %ld KiB\n", residentKiB());
    return 0;
}

// How the server misbehaves during a phase: every answer late, or none at all.
struct Fault {
    const char* name;
    int delayMs;
    bool hang;
};

// One phase of the running client against a faulty server; the worst gap between the turns of
// the event loop that moves the bar and answers the menu (a 16 ms timer), and whether the bar
// kept scrolling.
void measure(const std::string& phase, const Fault& fault) {
    test::TempAppFolder folder;
    test::TestServer server;
    const bool faultyStart = phase == "start-up";
    serveNormalStart(server, folder, faultyStart ? fault.delayMs : 0, faultyStart && fault.hang);
    test::TestApp t(folder, server);
    frmTicker& bar = t.app().ticker();
    if (!faultyStart) {
        if (!t.start())
            return;
        bar.OpenTicker();
        runFor(1000);
        serveNormalStart(server, folder, fault.delayMs, fault.hang, false);
    }
    ScriptValues& script = t.app().script();
    if (phase == "module download")
        for (ScriptModule* m : {&script.startflash2, &script.boxflash, &script.channelflash2,
                                &script.listflash, &script.userflash, &script.jumpflash, &script.splashflash})
            *m = {server.base() + "modules/m.qml", 99};

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> turns;
    bool running = false;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (running)
            turns.push_back(clock.nsecsElapsed());
    });
    probe.start(16);
    int barTicks = 0;
    QObject::connect(&bar.TimerScroll, &QTimer::timeout, [&] { barTicks += running; });
    qint64 phaseNs = -1;
    QTimer::singleShot(0, [&] {
        running = true;
        const qint64 begin = clock.nsecsElapsed();
        turns.push_back(begin);
        frmMain& main = t.app().main();
        if (phase == "start-up") {
            t.start();
        } else if (phase == "refresh") {
            main.intHTTPTimerCountByMinutes = 300;
            t.app().handle([&] { main.TimerHTTP_Timer(); });
        } else if (phase == "click") {
            // The middle of the first ordinary headline wholly on the bar.
            const TickerStrip& strip = bar.slots();
            int16_t s = 0;
            while (s + 1 < strip.size() &&
                   (strip.intSlotX[s] < 0 || strip.intSlotX[s] + strip.intSlotWidth[s] > bar.width() ||
                    strip.udtSlotNews[s].strNewsType == "mov"))
                ++s;
            const QPointF at(strip.intSlotX[s] + strip.intSlotWidth[s] / 2.0, 12.0);
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, at, bar.mapToGlobal(at), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(bar.windowHandle(), &event);
            }
        } else {
            t.app().handle([&] { t.app().flashLoader().updateFlash(); });
        }
        const auto finish = [&, begin] {
            turns.push_back(clock.nsecsElapsed());
            phaseNs = turns.back() - begin;
            running = false;
        };
        // The click's reports go out behind the bar: watch the bar while they are under way.
        if (phase == "click")
            QTimer::singleShot(fault.hang ? 6000 : fault.delayMs + 1000, finish);
        else
            finish();
    });
    while (phaseNs < 0)
        runFor(100);
    std::vector<double> gapsMs;
    for (std::size_t i = 1; i < turns.size(); ++i)
        gapsMs.push_back(static_cast<double>(turns[i] - turns[i - 1]) / 1e6);
    std::printf("%-16s %-22s %8.0f ms %8.1f ms %8.1f ms %6d\n", phase.c_str(), fault.name,
                static_cast<double>(phaseNs) / 1e6, percentile(gapsMs, 0.5), percentile(gapsMs, 1.0),
                barTicks);
}

int faults(int delayMs) {
    std::printf("drawing path: %s\n", QGuiApplication::platformName().toStdString().c_str());
    std::printf("%-16s %-22s %11s %11s %11s %6s\n", "phase", "server", "took", "median gap", "worst gap",
                "frames");
    const std::string slow = "answers after " + std::to_string(delayMs) + " ms";
    for (const Fault& fault : {Fault{slow.c_str(), delayMs, false}, Fault{"never answers", 0, true}})
        for (const char* phase : {"start-up", "refresh", "click", "module download"})
            measure(phase, fault);
    return 0;
}

} // namespace
} // namespace brisma::bench

int main(int argc, char** argv) {
    brisma::text::installShiftJisAliases();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "cost";
    if (mode == "faults")
        return brisma::bench::faults(argc > 2 ? std::atoi(argv[2]) : 2000);
    return brisma::bench::cost(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 ? std::atol(argv[3]) : 0,
                               mode != "closed");
}
