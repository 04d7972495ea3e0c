#include "server/ReportRetention.h"

#include "server/store/ReportTable.h"

#include <chrono>
#include <iostream>

namespace brisma::server {

ReportRetention::ReportRetention(Database& database, int keepDays)
    : database_(database), keepDays_(keepDays), thread_([this] { run(); }) {}

ReportRetention::~ReportRetention() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ReportRetention::run() {
    using namespace std::chrono;
    ReportTable reports(database_);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        const auto cutoff = system_clock::now() - days(keepDays_);
        try {
            const std::int64_t deleted =
                reports.deleteBefore(duration_cast<milliseconds>(cutoff.time_since_epoch()).count()).get();
            if (deleted > 0)
                std::cerr << "brisma-server: " << deleted << " reports older than " << keepDays_
                          << " days deleted" << std::endl;
        } catch (const std::exception& e) {
            std::cerr << "brisma-server: old reports not deleted: " << e.what() << std::endl;
        }
        lock.lock();
        wake_.wait_for(lock, hours(24), [this] { return stopping_; });
    }
}

} // namespace brisma::server
