// The running client with the bar open and scrolling, against a loopback server.
//
//   bench_bar_run cost SECONDS [XSERVER_PID]
//     own CPU seconds per minute, wake-ups per second (context switches of every thread),
//     resident memory and, given its pid, the X server's CPU over the window.
//   bench_bar_run closed SECONDS [XSERVER_PID]
//     the same with the bar closed and nothing downloading: what the idle client costs.
//   bench_bar_run gaps DELAY_MS
//     every server answer takes DELAY_MS; the worst gap between the bar's frames while a
//     refresh cycle runs.
//
// Run under Xvfb with QT_QPA_PLATFORM=xcb for the server-side picture, or offscreen.
#include "BarBench.h"
#include "bar/frmTicker.h"
#include "platform/text/Cp932.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace brisma::bench {
namespace {

namespace fsys = std::filesystem;
const std::string kData = BRISMA_SHELL_DATA;

std::string withBase(std::string bytes, const std::string& base) {
    for (auto at = bytes.find("{BASE}"); at != std::string::npos; at = bytes.find("{BASE}", at))
        bytes.replace(at, 6, base);
    return bytes;
}

// The normal start's server: eight channels, movies, one logged click; every answer delayed.
void serveNormalStart(test::TestServer& server, test::TempAppFolder& folder, int delayMs) {
    const auto route = [&](const std::string& path, std::string body) {
        test::TestServer::Response r;
        r.body = std::move(body);
        r.delayMs = delayMs;
        server.route(path, r);
    };
    for (const auto& e : fsys::recursive_directory_iterator(kData + "/serve")) {
        if (!e.is_regular_file())
            continue;
        const std::string rel = fsys::relative(e.path(), kData + "/serve").string();
        route(rel == "movie/movie.xml" ? "/movie//movie.xml" : "/" + rel,
              withBase(test::readTestData(kData + "/serve", rel), server.base()));
    }
    route("/scripts_desktop3.xml", test::scriptXml(server.base()));
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
    serveNormalStart(server, folder, 0);
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

int gaps(int delayMs) {
    test::TempAppFolder folder;
    test::TestServer server;
    serveNormalStart(server, folder, delayMs);
    test::TestApp t(folder, server);
    if (!t.start())
        return 1;
    frmTicker& bar = t.app().ticker();
    bar.OpenTicker();
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> frames;
    frames.reserve(100000);
    bool refreshing = false;
    // Every tick of the open bar composes and shows one frame.
    QObject::connect(&bar.TimerScroll, &QTimer::timeout, [&] {
        if (refreshing)
            frames.push_back(clock.nsecsElapsed());
    });
    runFor(1000);
    frmMain& main = t.app().main();
    qint64 refreshNs = 0;
    QTimer::singleShot(0, [&] {
        main.intHTTPTimerCountByMinutes = 300;
        t.app().handle([&] {
            refreshing = true;
            const qint64 start = clock.nsecsElapsed();
            frames.push_back(start);
            main.TimerHTTP_Timer();
            refreshNs = clock.nsecsElapsed() - start;
            frames.push_back(clock.nsecsElapsed());
            refreshing = false;
        });
    });
    while (refreshNs == 0)
        runFor(100);
    std::vector<double> gapsMs;
    for (std::size_t i = 1; i < frames.size(); ++i)
        gapsMs.push_back(static_cast<double>(frames[i] - frames[i - 1]) / 1e6);
    std::printf("drawing path: %s\n", drawingPath(t.app().ticker()).c_str());
    std::printf("server answers after %d ms; refresh took %.0f ms with %zu frames\n", delayMs,
                static_cast<double>(refreshNs) / 1e6, frames.size() - 2);
    std::printf("gap between frames: median %.1f ms, worst %.1f ms\n", percentile(gapsMs, 0.5),
                percentile(gapsMs, 1.0));
    return 0;
}

} // namespace
} // namespace brisma::bench

int main(int argc, char** argv) {
    brisma::text::installShiftJisAliases();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "cost";
    if (mode == "gaps")
        return brisma::bench::gaps(argc > 2 ? std::atoi(argv[2]) : 200);
    return brisma::bench::cost(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 ? std::atol(argv[3]) : 0,
                               mode != "closed");
}
