// The store's insert throughput with group commit: THREADS callers each store a click report and
// wait for its answer, again and again, for SECONDS on each engine (SQLite in a temporary folder,
// then a private PostgreSQL when installed). Prints reports per second and the answer's wait.
//
//   bench_store [THREADS (200)] [SECONDS (10)]
#include "PostgresServer.h"
#include "server/intake/ReportRequest.h"
#include "server/store/Database.h"
#include "server/store/ReportTable.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace brisma::server;
using Clock = std::chrono::steady_clock;

namespace {

// User and system time of this process, in seconds.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void run(const char* engine, const std::string& setting, const std::string& folder, int threads,
         int seconds) {
    Database database(DatabaseAddress::fromSetting(setting, folder));
    ReportTable reports(database);
    std::atomic<bool> stop{false};
    std::vector<std::vector<double>> waits(static_cast<std::size_t>(threads)); // milliseconds
    std::vector<std::thread> callers;
    const Clock::time_point start = Clock::now();
    const double cpuAtStart = cpuSeconds();
    for (int caller = 0; caller < threads; ++caller)
        callers.emplace_back([&, caller] {
            for (long n = 0; !stop; ++n) {
                const Request request =
                    readRequest("/log/click?version=3.1.1&userid=U" + std::to_string(caller) +
                                "&channel=005&type=desktop3&id=005202612091020" +
                                std::to_string(1000 + n % 9000) + "&date=20261209&time=102030");
                const Clock::time_point asked = Clock::now();
                const auto received =
                    std::chrono::duration_cast<std::chrono::milliseconds>(asked.time_since_epoch()).count();
                reports.add(request.kind, request.query, received).get();
                waits[static_cast<std::size_t>(caller)].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            }
        });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    for (std::thread& caller : callers)
        caller.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuAtStart;
    std::vector<double> all;
    for (const auto& some : waits)
        all.insert(all.end(), some.begin(), some.end());
    std::sort(all.begin(), all.end());
    const auto at = [&](double share) { return all[static_cast<std::size_t>(share * (all.size() - 1))]; };
    std::printf(
        "%-10s %4d callers %7zu reports in %.1f s: %6.0f reports/s, wait p50 %.1f ms p99 %.1f ms max %.1f "
        "ms; this process's CPU: %.0f us a report\n",
        engine, threads, all.size(), elapsed, all.size() / elapsed, at(0.5), at(0.99), all.back(),
        cpu / static_cast<double>(all.size()) * 1e6);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int threads = argc > 1 ? std::stoi(argv[1]) : 200;
    const int seconds = argc > 2 ? std::stoi(argv[2]) : 10;
    QTemporaryDir folder;
    run("SQLite", "", folder.path().toStdString(), threads, seconds);
    std::string why;
    const auto postgres = brisma::test::PostgresServer::start(why);
    if (!postgres) {
        std::printf("PostgreSQL skipped: %s\n", why.c_str());
        return 0;
    }
    run("PostgreSQL", postgres->createDatabase("bench"), folder.path().toStdString(), threads, seconds);
}
