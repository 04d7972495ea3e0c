#include "platform/http/HttpClient.h"

#include "common/BrismaError.h"
#include "platform/events/EventGate.h"
#include "platform/log/ErrorLog.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <curl/curl.h>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace brisma {
namespace {

constexpr long MaxRedirects = 5;
// How long a closing client lets queued reports finish before it abandons them.
constexpr auto StopGrace = std::chrono::seconds(2);

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw BrismaError(err::NetworkFailure, "curl_global_init failed");
    });
}

struct Transfer {
    std::string* body; // null: the answer is only counted against the cap
    std::size_t cap;
    const std::atomic<bool>* cancel; // null: the transfer cannot be cancelled
    std::size_t received = 0;
    bool overCap = false;
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (n > t.cap - t.received) {
        t.overCap = true;
        return 0; // anything short of n makes libcurl abort
    }
    t.received += n;
    if (t.body)
        t.body->append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->cancel->load() ? 1 : 0;
}

[[noreturn]] void fail(const std::string& what, const std::string& url) {
    throw BrismaError(err::NetworkFailure, what + ": " + url);
}

// One GET with every limit applied; raises NetworkFailure when no complete answer arrives.
HttpResponse fetch(const std::string& url, const HttpLimits& limits, bool keepBody,
                   const std::atomic<bool>* cancel) {
    initCurlOnce();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
    if (!handle)
        fail("curl_easy_init failed", url);
    CURL* h = handle.get();

    HttpResponse response;
    Transfer t{keepBody ? &response.body : nullptr, limits.maxBodyBytes, cancel};
    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    // Without the scheme restriction (which also binds redirects) an address could read local files.
    if (curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK)
        fail("cannot restrict the protocols", url);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, MaxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedLimit);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedTimeS);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    if (cancel) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl_easy_perform(h);
    if (t.overCap)
        fail("Answer larger than " + std::to_string(limits.maxBodyBytes) + " bytes", url);
    if (code != CURLE_OK)
        fail(message[0] ? message : curl_easy_strerror(code), url);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
    return response;
}

} // namespace

// The one background thread that sends the reports, in the order they were queued.
class HttpClient::Sender {
public:
    explicit Sender(const HttpLimits& limits) : limits_(limits), thread_([this] { run(); }) {}

    ~Sender() {
        {
            std::unique_lock lock(mutex_);
            stopping_ = true;
            queued_.notify_all();
            if (!idle_.wait_for(lock, StopGrace, [this] { return drained(); }))
                abandon_ = true; // also cancels the transfer in progress
        }
        thread_.join();
    }

    void enqueue(const std::string& url) {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= limits_.maxQueuedReports)
            return; // full: the report is dropped
        queue_.push_back(url);
        queued_.notify_one();
    }

    bool flush(int timeoutMs) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return drained(); });
    }

private:
    bool drained() const { return queue_.empty() && !sending_; }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty() || abandon_)
                return;
            const std::string url = std::move(queue_.front());
            queue_.pop_front();
            sending_ = true;
            lock.unlock();
            try {
                fetch(url, limits_, false, &abandon_);
            } catch (const std::exception& e) {
                logDropped("a report that fails after it was queued goes unnoticed", e.what());
            }
            lock.lock();
            sending_ = false;
            idle_.notify_all();
        }
    }

    const HttpLimits limits_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable idle_;
    std::deque<std::string> queue_;
    bool sending_ = false;
    bool stopping_ = false;
    std::atomic<bool> abandon_{false};
    std::thread thread_; // last: it starts once everything above exists
};

HttpClient::HttpClient(EventGate* gate, HttpLimits limits)
    : gate_(gate), limits_(limits), sender_(std::make_unique<Sender>(limits)) {}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::getResponse(const std::string& url) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!gate_ || !app || QThread::currentThread() != app->thread())
        return fetch(url, limits_, true, nullptr);

    // The transfer runs on a worker while this thread serves the gate's restricted loop.
    struct Outcome {
        std::mutex mutex;
        bool done = false;
        HttpResponse response;
        std::exception_ptr error;
        std::function<void()> wake;
    } outcome;
    std::function<void()> wake;
    std::jthread worker([&outcome, url, limits = limits_] {
        HttpResponse response;
        std::exception_ptr error;
        try {
            response = fetch(url, limits, true, nullptr);
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(outcome.mutex);
        outcome.response = std::move(response);
        outcome.error = error;
        outcome.done = true;
        if (outcome.wake)
            outcome.wake();
    });
    gate_->waitUntil(
        [&] {
            std::lock_guard lock(outcome.mutex);
            // The gate has set `wake` before it first asks; the worker may only use it from here on.
            if (!outcome.wake)
                outcome.wake = wake;
            return outcome.done;
        },
        wake);
    worker.join();
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    return std::move(outcome.response);
}

void HttpClient::getAsync(const std::string& url) {
    sender_->enqueue(url);
}

bool HttpClient::flush(int timeoutMs) {
    return sender_->flush(timeoutMs);
}

} // namespace brisma
