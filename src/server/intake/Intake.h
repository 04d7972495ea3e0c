#pragma once

#include "server/intake/RequestLimit.h"
#include "server/store/ReportTable.h"
#include "server/store/UserTable.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

// Reports and the user requests (registration, profile update): stored, and answered only once
// what they stored is durable. One thread waits on the commits in the order the requests came,
// which is the order the store commits them in, so a serving thread never waits for the disk.
namespace brisma::server {

class Clock;
class Database;

// What a report counts towards beside its row (the campaigns' figures). The future, when there is
// one, is ready once that is stored as well.
class ReportCounter {
public:
    virtual ~ReportCounter() = default;
    virtual std::optional<std::future<void>> count(ReportKind kind, const Query& query,
                                                   std::int64_t nowMs) = 0;
};

class Intake {
public:
    struct Reply {
        unsigned status = 200;
        std::string body; // a refusal's is empty: the client stores a registration's body as its id
        std::chrono::seconds retryAfter{0}; // a 429's: when the address may ask again
    };
    using Done = std::function<void(Reply)>;

    // Per address and per process.
    struct Limits {
        unsigned registrationsPerHour = 20;
        unsigned reportsPerMinute = 1200;
    };

    // `counter`, when given, outlives the intake.
    Intake(Database& database, const Clock& clock, Limits limits, ReportCounter* counter = nullptr);
    // Answers everything taken, then stops.
    ~Intake();
    Intake(const Intake&) = delete;
    Intake& operator=(const Intake&) = delete;

    // For a report or user request target (raw, as it arrived) from `address` (the client's, as
    // text): stores it and calls `done` with the answer, at once for a refusal, else on the
    // intake's thread once stored. False, and nothing done, for any other target.
    bool take(std::string_view target, const std::string& address, Done done);

private:
    struct Waiting {
        std::function<Reply()> finish; // waits for the store's answer
        Done done;
    };
    void answerInTurn(std::stop_token stop);
    // A store failure: 503, and a log line at most once a minute (never a request's data).
    Reply failed(const std::exception& error);

    ReportTable reports_;
    UserTable users_;
    const Clock& clock_;
    ReportCounter* counter_;
    RequestLimit registrations_;
    RequestLimit reportLimit_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Waiting> waiting_;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point lastFailureLog_{};
    unsigned failuresUnlogged_ = 0;
    std::jthread answerer_;
};

} // namespace brisma::server
