#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

// Deletes the reports older than the configured number of days: at start, then once a day.
namespace brisma::server {

class Clock;
class Database;

class ReportRetention {
public:
    ReportRetention(Database& database, int keepDays, const Clock& clock);
    ReportRetention(const ReportRetention&) = delete;
    ReportRetention& operator=(const ReportRetention&) = delete;

private:
    void run(std::stop_token stop);

    Database& database_;
    int keepDays_;
    const Clock& clock_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread thread_;
};

} // namespace brisma::server
