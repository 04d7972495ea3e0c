// The running client with the bar open and scrolling, against a loopback server.
//
//   bench_bar_run cost SECONDS [XSERVER_PID]
//     own CPU seconds per minute, wake-ups per second (context switches of every thread),
//     resident memory and, given its pid, the X server's CPU over the window.
//   bench_bar_run closed SECONDS [XSERVER_PID]
//     the same with the bar closed and nothing downloading: what the idle client costs.
//   bench_bar_run beside SECONDS XSERVER_PID [demo]
//     the real client (the bar open, no tray) and tickr side by side on this display, tickr at
//     20 ms per pixel on a local feed with settings of its own: both CPU figures, wake-ups and
//     peak memory, and the X server's CPU. `demo` gives the client the demo's modules.
//   bench_bar_run panels
//     peak memory of the client with the demo's modules after opening and closing each panel.
//   bench_bar_run faults [DELAY_MS]
//     start-up, a refresh, a click, a channel change and a module download, each against a server that
//     answers after DELAY_MS (2000) and one that never answers: how long the phase took, the median and worst
//     gap between turns of the event loop, and the bar's frames meanwhile.
//
// Run under Xvfb with QT_QPA_PLATFORM=xcb for the server-side picture, or offscreen.
#include "BarBench.h"
#include "bar/frmTicker.h"
#include "movie/frmMovie.h"
#include "panels/frmChannel.h"
#include "panels/frmUser.h"
#include "panels/modFlashLoader.h"
#include "platform/text/Cp932.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
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

// Voluntary and involuntary context switches of every thread of a process; the involuntary
// ones grow with the machine's load, not with the process's timers.
long contextSwitches(const std::string& pid = "self", bool voluntaryOnly = false) {
    long total = 0;
    for (const auto& task : fsys::directory_iterator("/proc/" + pid + "/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                (!voluntaryOnly && line.rfind("nonvoluntary_ctxt_switches:", 0) == 0))
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

// A memory line of /proc/<pid>/status: "VmRSS" now, "VmHWM" the peak.
long statusKiB(const char* field, const std::string& pid = "self") {
    std::ifstream status("/proc/" + pid + "/status");
    const std::string key = std::string(field) + ":";
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return 0;
}

long residentKiB() {
    return statusKiB("VmRSS");
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

// The demo's modules as the client stores them, so the players run real movies.
void copyDemoModules(const test::TempAppFolder& folder) {
    for (const auto& e : fsys::directory_iterator(std::string(BRISMA_SOURCE_DIR) + "/demo/content/modules"))
        fsys::copy_file(e.path(), folder.path() + "/flash/" + e.path().stem().string() + ".swf",
                        fsys::copy_options::overwrite_existing);
}

// Starts `argv` with `env` added to this process's environment.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string& e : env)
        putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// A local feed of four items and a home whose settings run tickr at 20 ms per pixel across the
// top of the screen, with no welcome dialog. tickr finds its home through the password database,
// so the run gives it a database entry of its own.
std::vector<std::string> tickrEnvironment(const std::string& home) {
    fsys::create_directories(home + "/.tickr");
    std::ofstream(home + "/feed.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>Local</title>"
           "<link>http://127.0.0.1/</link><description>-</description>"
           "<item><title>日銀、金融政策決定会合で現状維持を決定　長期金利は小幅に上昇</title></item>"
           "<item><title>東京株式市場、日経平均は続伸　半導体関連株に買い</title></item>"
           "<item><title>プロ野球ドラフト会議、注目の高校生投手に4球団が1位指名</title></item>"
           "<item><title>首都圏で今季一番の冷え込み　都心で最低気温2度</title></item>"
           "</channel></rss>\n";
    std::ofstream(home + "/.tickr/tickr-conf")
        << "-delay=20\n-shiftsize=1\n-win_x=0\n-win_y=0\n-win_w=1920\n-clock=n\n-rssrefresh=0\n";
    std::ofstream(home + "/.tickr/tickr-url-list") << "*file://" << home << "/feed.xml\n";
    std::ofstream(home + "/passwd") << "bench:x:" << getuid() << ":" << getgid() << ":bench:" << home
                                    << ":/bin/sh\n";
    std::ofstream(home + "/group") << "bench:x:" << getgid() << ":\n";
    return {"HOME=" + home, "LD_PRELOAD=libnss_wrapper.so", "NSS_WRAPPER_PASSWD=" + home + "/passwd",
            "NSS_WRAPPER_GROUP=" + home + "/group"};
}

struct Sample {
    double cpu;
    long switches;
    long voluntary;
};

Sample sample(long pid) {
    return {otherCpuSeconds(pid), contextSwitches(std::to_string(pid)),
            contextSwitches(std::to_string(pid), true)};
}

int beside(int seconds, long xserverPid, bool demoModules) {
    test::TempAppFolder folder;
    test::TempAppFolder tickrHome;
    test::TestServer server;
    serveNormalStart(server, folder, 0, false);
    if (demoModules)
        copyDemoModules(folder);
    const pid_t client =
        spawn({BRISMA_EXECUTABLE}, {"QT_QPA_PLATFORM=xcb", "BRISMA_HOME=" + folder.path(),
                                    "BRISMA_SERVER=" + server.base(), "HOME=" + folder.path()});
    const pid_t tickr = spawn({"tickr"}, tickrEnvironment(tickrHome.path()));
    // Start-up, the bar's slide and tickr's first feed.
    runFor(6000);
    const Sample c0 = sample(client), t0 = sample(tickr);
    const double x0 = otherCpuSeconds(xserverPid);
    runFor(seconds * 1000);
    const Sample c1 = sample(client), t1 = sample(tickr);
    const double x1 = otherCpuSeconds(xserverPid);
    // A process that ended early has no figures: say so rather than print zeros.
    for (const auto& [name, pid] : {std::pair{"brisma", client}, std::pair{"tickr", tickr}})
        if (waitpid(pid, nullptr, WNOHANG) != 0) {
            std::printf("%s ended before the window did; no figures (its output is above)\n", name);
            kill(client, SIGTERM);
            kill(tickr, SIGTERM);
            return 1;
        }
    const long clientPeak = statusKiB("VmHWM", std::to_string(client));
    const long tickrPeak = statusKiB("VmHWM", std::to_string(tickr));
    const long clientNow = statusKiB("VmRSS", std::to_string(client));
    const long tickrNow = statusKiB("VmRSS", std::to_string(tickr));
    for (const pid_t pid : {client, tickr}) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    const double minutes = seconds / 60.0;
    std::printf("window: %d s, modules: %s\n", seconds, demoModules ? "the demo's" : "none");
    std::printf("%-32s %12s %12s\n", "", "brisma", "tickr");
    std::printf("%-32s %12.3f %12.3f\n", "own CPU, s per minute", (c1.cpu - c0.cpu) / minutes,
                (t1.cpu - t0.cpu) / minutes);
    std::printf("%-32s %12.1f %12.1f\n", "wake-ups per second",
                static_cast<double>(c1.switches - c0.switches) / seconds,
                static_cast<double>(t1.switches - t0.switches) / seconds);
    std::printf("%-32s %12.1f %12.1f\n", "  of them voluntary",
                static_cast<double>(c1.voluntary - c0.voluntary) / seconds,
                static_cast<double>(t1.voluntary - t0.voluntary) / seconds);
    std::printf("%-32s %12ld %12ld\n", "peak resident memory, KiB", clientPeak, tickrPeak);
    std::printf("%-32s %12ld %12ld\n", "resident memory at the end, KiB", clientNow, tickrNow);
    std::printf("X server CPU, both: %.3f s per minute\n", (x1 - x0) / minutes);
    return 0;
}

// Peak memory of the client with the real players and the demo's modules: after start-up and
// after opening and closing each panel once.
int panels() {
    test::TempAppFolder folder;
    test::TestServer server;
    serveNormalStart(server, folder, 0, false);
    copyDemoModules(folder);
    test::TestApp t(folder, server, true);
    if (!t.start())
        return 1;
    const auto report = [](const char* after) {
        runFor(1500);
        std::printf("%-26s peak %6ld KiB, now %6ld KiB\n", after, statusKiB("VmHWM"), statusKiB("VmRSS"));
    };
    frmMain& main = t.app().main();
    report("start-up");
    t.app().ticker().OpenTicker();
    report("bar opened");
    t.app().handle([&] { main.mnNewsList_Click(); });
    report("list opened");
    t.app().handle([&] { main.mnNewsList_Click(); });
    report("list closed");
    t.app().handle([&] { main.mnuChange_Click(); });
    report("channel panel opened");
    t.app().channelForm().close();
    report("channel panel closed");
    t.app().handle([&] { main.mnuAbout_Click(); });
    report("profile panel opened");
    t.app().userForm().close();
    report("profile panel closed");
    t.app().movie().playMovie("70000001");
    report("movie opened");
    t.app().movie().CloseMovie();
    report("movie closed");
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
        } else if (phase == "channel change") {
            // Another selection, as the channel panel's "channel:chset" applies it.
            t.app().handle([&] { t.app().channelForm().ChSet("1-5-12-"); });
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
        for (const char* phase : {"start-up", "refresh", "click", "channel change", "module download"})
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
    if (mode == "beside")
        return argc > 3 ? brisma::bench::beside(std::atoi(argv[2]), std::atol(argv[3]),
                                                argc > 4 && std::string(argv[4]) == "demo")
                        : 2;
    if (mode == "panels")
        return brisma::bench::panels();
    if (mode == "faults")
        return brisma::bench::faults(argc > 2 ? std::atoi(argv[2]) : 2000);
    return brisma::bench::cost(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 ? std::atol(argv[3]) : 0,
                               mode != "closed");
}
