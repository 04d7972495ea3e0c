#include "server/sources/FetchScheduler.h"

#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/sources/SourceCopies.h"
#include "server/sources/SourceFetch.h"
#include "server/store/StoreError.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace brisma::server {
namespace {

// A fetch takes 30 s at most; the lease outlives it, and a crashed owner's only by this much.
constexpr std::int64_t LeaseMs = 60'000;
// How soon a source another process fetches is tried again, unless its copy comes first.
constexpr std::int64_t LeaseRetryMs = 5'000;
// How often the copies other processes saved are taken up, and the margin for their clocks.
constexpr auto PollEvery = std::chrono::seconds(5);
constexpr std::int64_t ClockMarginMs = 10'000;

// This process among those on the database.
const std::string& owner() {
    static const std::string name = [] {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        return std::string(host) + "/" + std::to_string(getpid()) + "/" +
               std::to_string(std::random_device{}());
    }();
    return name;
}

} // namespace

FetchScheduler::FetchScheduler(SourceCopies& copies, Database& database, Settings settings,
                               const Clock& clock)
    : copies_(copies), states_(database), settings_(std::move(settings)), clock_(clock) {}

FetchScheduler::~FetchScheduler() {
    stop();
}

void FetchScheduler::start(ChangeHandler onChange) {
    onChange_ = std::move(onChange);
    for (int i = 0; i < settings_.workers; ++i)
        threads_.emplace_back([this](std::stop_token stop) { work(std::move(stop)); });
    threads_.emplace_back([this](std::stop_token stop) { poll(std::move(stop)); });
}

void FetchScheduler::stop() {
    for (std::jthread& t : threads_)
        t.request_stop();
    threads_.clear(); // joins
}

void FetchScheduler::poll(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    std::int64_t since = clock_.nowMs() - ClockMarginMs;
    for (;;) {
        clock_.waitFor(lock, never, stop, PollEvery, [] { return false; });
        if (stop.stop_requested())
            return;
        const std::int64_t started = clock_.nowMs();
        std::vector<std::string> changed;
        try {
            changed = copies_.takeUpSavedSince(since);
            since = started - ClockMarginMs;
        } catch (const StoreError& e) {
            logSource("database", std::string("cannot read the sources' copies: ") + e.what());
        }
        if (!changed.empty() && onChange_)
            onChange_(changed);
    }
}

void FetchScheduler::work(std::stop_token stop) {
    while (const std::optional<std::string> due = copies_.takeDue(clock_, stop)) {
        if (claim(*due))
            fetch(*due);
        else // another process fetches it; what it saves comes with the next poll
            copies_.defer(*due, clock_.nowMs() + LeaseRetryMs);
        copies_.giveBack(*due);
    }
}

bool FetchScheduler::claim(const std::string& address) {
    const std::int64_t now = clock_.nowMs();
    try {
        return states_.claim(address, owner(), now, now + LeaseMs).get();
    } catch (const StoreError& e) {
        logSource(address, std::string("cannot take the lease: ") + e.what());
        return false;
    }
}

void FetchScheduler::fetch(const std::string& address) {
    FetchResult result = fetchSource(copies_.state(address), settings_.userAgent);
    if (copies_.keepFetched(address, std::move(result), clock_.nowMs(), settings_.intervals) && onChange_)
        onChange_({address});
}

} // namespace brisma::server
