// The QML player: loading a module into a fresh player, and the process's resident memory (VmRSS)
// at the start, with the client's eight players loaded, and with all eight windows shown. Modules:
// demo/content/modules/*.qml when present, else the stand-ins of bench/data.
#include "platform/player/QmlPlayerFactory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string module(const std::string& name) {
    const std::string demo = std::string(BRISMA_SOURCE_DIR "/demo/content/modules/") + name + ".qml";
    if (std::filesystem::exists(demo))
        return demo;
    return std::string(BRISMA_SOURCE_DIR "/bench/data/") + name + ".qml";
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    return -1;
}

void runEvents(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void BM_LoadModuleIntoFreshPlayer(benchmark::State& state) {
    brisma::QmlPlayerFactory factory(BRISMA_SOURCE_DIR, [](const std::string&) {});
    QWidget window;
    window.resize(244, 357);
    const std::string file = module("list");
    for (auto _ : state) {
        auto player = factory.create("list", &window);
        player->setMovie(file);
        benchmark::DoNotOptimize(player.get());
    }
}
BENCHMARK(BM_LoadModuleIntoFreshPlayer)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

struct Panel {
    const char* module;
    int width;
    int height;
};

void BM_EightPlayersResident(benchmark::State& state) {
    const long before = residentKiB();
    const std::vector<Panel> panels = {{"box", 245, 24},      {"jump", 1, 1},       {"splash", 275, 275},
                                       {"list", 244, 357},    {"form", 600, 480},   {"form", 600, 480},
                                       {"channel", 660, 560}, {"channel", 660, 560}};
    for (auto _ : state) {
        brisma::QmlPlayerFactory factory(BRISMA_SOURCE_DIR, [](const std::string&) {});
        std::vector<std::unique_ptr<QWidget>> windows;
        std::vector<std::unique_ptr<brisma::FlashPlayer>> players;
        for (const Panel& panel : panels) {
            windows.push_back(std::make_unique<QWidget>());
            windows.back()->resize(panel.width, panel.height);
            players.push_back(factory.create(panel.module, windows.back().get()));
            players.back()->widget()->setGeometry(0, 0, panel.width, panel.height);
            players.back()->setMovie(module(panel.module));
        }
        runEvents(500);
        const long loaded = residentKiB();
        for (const auto& window : windows)
            window->show();
        runEvents(1000);
        state.counters["start_MiB"] = static_cast<double>(before) / 1024.0;
        state.counters["loaded_MiB"] = static_cast<double>(loaded) / 1024.0;
        state.counters["shown_MiB"] = static_cast<double>(residentKiB()) / 1024.0;
        players.clear();
        windows.clear();
    }
}
BENCHMARK(BM_EightPlayersResident)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
