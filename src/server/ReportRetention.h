#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// Deletes the reports older than the configured number of days: at start, then once a day.
namespace brisma::server {

class Database;

class ReportRetention {
public:
    ReportRetention(Database& database, int keepDays);
    ~ReportRetention();
    ReportRetention(const ReportRetention&) = delete;
    ReportRetention& operator=(const ReportRetention&) = delete;

private:
    void run();

    Database& database_;
    int keepDays_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace brisma::server
