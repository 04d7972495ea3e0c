#pragma once

#include "server/store/Connection.h"
#include "server/store/DatabaseAddress.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <vector>

// The database and its one writer thread. Writes are queued; the writer takes everything queued,
// runs it in one transaction and commits, then answers every caller of that transaction (group
// commit). A caller waits at most for the commit in progress and then its own: no timer holds a
// batch back. Readers open connections of their own (reports, figures).
namespace brisma::server {

class Database {
public:
    // Opens the database, creates or upgrades its schema and starts the writer; throws StoreError.
    explicit Database(DatabaseAddress address);
    // Finishes everything queued, then stops the writer.
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const DatabaseAddress& address() const { return address_; }

    // Runs `work` in the writer's next transaction. The future is ready when that transaction is
    // committed, or holds the StoreError that kept it from being committed.
    template <class R> std::future<R> write(std::function<R(Connection&)> work);

    struct Job {
        std::function<void(Connection&)> run; // may run twice: a failed batch is retried job by job
        std::function<void()> deliver;        // after the commit
        std::function<void(std::exception_ptr)> fail;
    };
    // The same for a job that answers its callers itself.
    void enqueue(Job job);

    // Whether the writer moved since last asked: it waits for work, waits on the database (whose
    // health is not the writer's), or took a batch. False when work waits and the writer is stuck
    // elsewhere.
    bool progressing();

private:
    void loop(std::stop_token stop, std::promise<void>& started);
    // False when a job failed.
    bool commitBatch(Connection& connection, std::vector<Job>& batch);

    DatabaseAddress address_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Job> queue_;
    bool closing_ = false; // nothing more is queued
    bool idle_ = false;    // the writer waits for work
    std::atomic<bool> storing_{false};
    std::uint64_t batches_ = 0; // taken by the writer
    std::uint64_t batchesSeen_ = 0;
    std::jthread writer_;
};

template <class R> std::future<R> Database::write(std::function<R(Connection&)> work) {
    auto promise = std::make_shared<std::promise<R>>();
    std::future<R> future = promise->get_future();
    Job job;
    if constexpr (std::is_void_v<R>) {
        job.run = std::move(work);
        job.deliver = [promise] { promise->set_value(); };
    } else {
        auto result = std::make_shared<std::optional<R>>();
        job.run = [work = std::move(work), result](Connection& connection) { *result = work(connection); };
        job.deliver = [promise, result] { promise->set_value(std::move(**result)); };
    }
    job.fail = [promise](std::exception_ptr error) { promise->set_exception(error); };
    enqueue(std::move(job));
    return future;
}

} // namespace brisma::server
