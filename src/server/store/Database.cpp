#include "server/store/Database.h"

#include "server/store/Schema.h"
#include "server/store/StoreError.h"

namespace brisma::server {
namespace {

// Bounds one transaction, so a burst is answered in several commits rather than one long one.
constexpr std::size_t kMaxBatch = 2000;

} // namespace

Database::Database(DatabaseAddress address) : address_(std::move(address)) {
    std::promise<void> started;
    std::future<void> ready = started.get_future();
    writer_ = std::jthread([this, &started](std::stop_token stop) { loop(std::move(stop), started); });
    try {
        ready.get();
    } catch (...) {
        writer_.join();
        throw;
    }
}

Database::~Database() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    writer_.request_stop();
    writer_.join();
}

void Database::enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (closing_)
            throw StoreError("the database is closing");
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void Database::loop(std::stop_token stop, std::promise<void>& started) {
    std::optional<Connection> connection;
    try {
        connection.emplace(address_);
        prepareSchema(*connection);
    } catch (...) {
        started.set_exception(std::current_exception());
        return;
    }
    started.set_value();

    std::vector<Job> batch;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            idle_ = true;
            wake_.wait(lock, stop, [this] { return !queue_.empty(); });
            idle_ = false;
            if (queue_.empty())
                return; // stopping, and everything queued is done
            ++batches_;
            while (!queue_.empty() && batch.size() < kMaxBatch) {
                batch.push_back(std::move(queue_.front()));
                queue_.pop_front();
            }
        }
        storing_ = true;
        if (!connection) {
            // The last connection was lost (a restarted database server): a new one, or every job
            // of this batch fails and the next batch tries again.
            try {
                connection.emplace(address_);
            } catch (...) {
                storing_ = false;
                for (Job& job : batch)
                    job.fail(std::current_exception());
                batch.clear();
                continue;
            }
        }
        if (!commitBatch(*connection, batch) && !connection->alive())
            connection.reset();
        storing_ = false;
        batch.clear();
    }
}

bool Database::progressing() {
    std::lock_guard lock(mutex_);
    const bool moved = idle_ || storing_ || batches_ != batchesSeen_;
    batchesSeen_ = batches_;
    return moved;
}

bool Database::commitBatch(Connection& connection, std::vector<Job>& batch) {
    try {
        connection.begin();
        try {
            for (Job& job : batch)
                job.run(connection);
            connection.commit();
        } catch (...) {
            connection.rollback();
            throw;
        }
        for (Job& job : batch)
            job.deliver();
        return true;
    } catch (...) {
        if (batch.size() == 1) {
            batch.front().fail(std::current_exception());
            return false;
        }
    }
    // One job's failure must not cost the others theirs: each runs alone.
    for (Job& job : batch) {
        std::vector<Job> alone;
        alone.push_back(std::move(job));
        commitBatch(connection, alone);
    }
    return false;
}

} // namespace brisma::server
