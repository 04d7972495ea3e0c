#include "server/intake/Intake.h"

#include "server/intake/ReportRequest.h"
#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/store/StoreError.h"

#include <algorithm>

namespace brisma::server {
namespace {

// The intake's paths as they arrived, for a target too broken to be read.
bool ours(std::string_view target) {
    const std::string_view path = target.substr(0, target.find('?'));
    return path.starts_with("/log/") || path == "/user";
}

// A report address is one name below /log/ (the script's and the modules' own); anything else
// there, a traversal included, is no report and is not stored.
bool isReportPath(std::string_view path) {
    const std::string_view name = path.substr(5);
    return !name.empty() && name.front() != '.' && name.size() <= 64 &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
           });
}

} // namespace

Intake::Intake(Database& database, const Clock& clock, Limits limits, ReportCounter* counter)
    : reports_(database), users_(database), clock_(clock), counter_(counter),
      registrations_(limits.registrationsPerHour, std::chrono::hours(1)),
      reportLimit_(limits.reportsPerMinute, std::chrono::minutes(1)),
      answerer_([this](std::stop_token stop) { answerInTurn(std::move(stop)); }) {}

Intake::~Intake() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true; // no more are taken; those taken are still answered
    }
    answerer_.request_stop();
    answerer_.join();
}

bool Intake::take(std::string_view target, const std::string& address, Done done) {
    Request request;
    try {
        request = readRequest(target);
    } catch (const RequestRefused&) {
        if (!ours(target))
            return false;
        done({400, {}});
        return true;
    }
    std::function<Reply()> finish;
    try {
        switch (request.route) {
        case Route::Report:
            if (!isReportPath(request.path)) {
                done({404, {}});
                return true;
            }
            if (const auto wait = reportLimit_.take(address, clock_.now())) {
                done({429, {}, *wait});
                return true;
            }
            {
                const std::int64_t now = clock_.nowMs();
                auto stored =
                    std::make_shared<std::future<void>>(reports_.add(request.kind, request.query, now));
                auto counted = std::make_shared<std::optional<std::future<void>>>(
                    counter_ ? counter_->count(request.kind, request.query, now) : std::nullopt);
                finish = [stored, counted] {
                    stored->get();
                    if (*counted)
                        (*counted)->get();
                    return Reply{200, "OK"};
                };
            }
            break;
        case Route::Registration:
            if (const auto wait = registrations_.take(address, clock_.now())) {
                done({429, {}, *wait});
                return true;
            }
            finish = [id = std::make_shared<std::future<std::string>>(
                          users_.registerUser(request.query, clock_.nowMs()))] {
                return Reply{200, id->get()};
            };
            break;
        case Route::ProfileUpdate: {
            const std::string id = firstValue(request.query, "id").value_or("");
            if (id.empty()) {
                done({404, {}});
                return true;
            }
            finish = [known = std::make_shared<std::future<bool>>(
                          users_.updateProfile(id, request.query, clock_.nowMs()))] {
                return known->get() ? Reply{200, "OK"} : Reply{404, {}};
            };
            break;
        }
        case Route::Other:
            return false;
        }
    } catch (const std::exception& error) { // the database is closing
        done(failed(error));
        return true;
    }
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            waiting_.push_back({std::move(finish), std::move(done)});
            wake_.notify_one();
            return true;
        }
    }
    done({503, {}});
    return true;
}

void Intake::answerInTurn(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, stop, [this] { return !waiting_.empty(); });
        if (waiting_.empty())
            return; // stopping, and everything taken is answered
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        Reply reply;
        try {
            reply = next.finish();
        } catch (const std::exception& error) {
            reply = failed(error);
        }
        next.done(std::move(reply));
        lock.lock();
    }
}

Intake::Reply Intake::failed(const std::exception& error) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    ++failuresUnlogged_;
    if (now - lastFailureLog_ >= std::chrono::minutes(1)) {
        Log::write(Log::Error, std::to_string(failuresUnlogged_) +
                                   " request(s) not stored, answered 503: " + error.what());
        lastFailureLog_ = now;
        failuresUnlogged_ = 0;
    }
    return {503, {}};
}

} // namespace brisma::server
