// Cost of one scroll tick of the bar (move, compose, copy onto the window) on a 1920-pixel bar
// with ten slots, median and worst, with the heap allocations it makes. The drawing path is the
// platform's: run under offscreen for the image path, under Xvfb (QT_QPA_PLATFORM=xcb) for the
// server-side picture.
#include "BarBench.h"
#include "bar/frmTicker.h"
#include "platform/text/Cp932.h"
#include "shell/modApp.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace brisma::bench {
namespace {

struct Bar {
    Bar() : t(folder, server) {
        Application& app = t.app();
        app.app().ConfigureFolder();
        fillMergedList(app, 30);
        bar = &app.ticker();
        bar->InitTicker();
        bar->OpenTicker();
    }
    test::TempAppFolder folder;
    test::TestServer server;
    test::TestApp t;
    frmTicker* bar = nullptr;
};

void ScrollTick(benchmark::State& state) {
    Bar b;
    std::vector<double> times;
    times.reserve(1u << 20);
    long steadyAllocations = 0;
    long arrivalTicks = 0;
    for (auto _ : state) {
        const int16_t x0 = b.bar->slots().intSlotX[0];
        const long before = heapAllocations();
        const auto start = std::chrono::steady_clock::now();
        b.bar->TimerScroll_Timer();
        times.push_back(microsecondsSince(start));
        const long made = heapAllocations() - before;
        // A tick that lays in a headline renders its text once; every other tick only moves.
        if (b.bar->slots().intSlotX[0] != x0 - 1)
            ++arrivalTicks;
        else
            steadyAllocations += made;
    }
    state.counters["median_us"] = percentile(times, 0.5);
    state.counters["p99_us"] = percentile(times, 0.99);
    state.counters["worst_us"] = percentile(times, 1.0);
    state.counters["allocs_per_moving_tick"] =
        static_cast<double>(steadyAllocations) /
        static_cast<double>(std::max<long>(1, state.iterations() - arrivalTicks));
    state.counters["arrival_ticks"] = static_cast<double>(arrivalTicks);
    state.SetLabel(drawingPath(*b.bar) + ", " + std::to_string(b.bar->width()) + " px, " +
                   std::to_string(b.bar->intMaxHeadLine) + " slots");
}
BENCHMARK(ScrollTick)->Iterations(20000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace brisma::bench

int main(int argc, char** argv) {
    brisma::text::installShiftJisAliases();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
