#include "server/store/ReportRetention.h"

#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/store/ReportTable.h"

#include <chrono>

namespace brisma::server {

ReportRetention::ReportRetention(Database& database, int keepDays, const Clock& clock)
    : database_(database), keepDays_(keepDays), clock_(clock),
      thread_([this](std::stop_token stop) { run(std::move(stop)); }) {}

void ReportRetention::run(std::stop_token stop) {
    using namespace std::chrono;
    ReportTable reports(database_);
    while (!stop.stop_requested()) {
        const std::int64_t cutoff = clock_.nowMs() - duration_cast<milliseconds>(days(keepDays_)).count();
        try {
            const std::int64_t deleted = reports.deleteBefore(cutoff).get();
            if (deleted > 0)
                Log::write(Log::Info, std::to_string(deleted) + " reports older than " +
                                          std::to_string(keepDays_) + " days deleted");
        } catch (const std::exception& e) {
            Log::write(Log::Error, std::string("old reports not deleted: ") + e.what());
        }
        std::unique_lock lock(mutex_);
        clock_.waitFor(lock, wake_, stop, hours(24), [] { return false; });
    }
}

} // namespace brisma::server
