#include "server/sources/SourcePool.h"

#include "server/model/Clock.h"
#include "server/sources/SourceFetch.h"
#include "server/store/StoreError.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace brisma::server {
namespace {

// A fetch takes 30 s at most; the lease outlives it, and a crashed owner's only by this much.
constexpr std::int64_t LeaseMs = 60'000;
// How often the copies other processes saved are taken up, and the margin for their clocks.
constexpr auto PollEvery = std::chrono::seconds(5);
constexpr std::int64_t ClockMarginMs = 10'000;

void log(const std::string& source, const std::string& what) {
    std::fprintf(stderr, "brisma-server: %s: %s\n", source.c_str(), what.c_str());
}

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

bool sameCopy(const SourceState& a, const SourceState& b) {
    return a.hasBody == b.hasBody && a.body == b.body && a.charset == b.charset &&
           a.finalAddress == b.finalAddress;
}

} // namespace

SourcePool::SourcePool(const std::vector<std::string>& sources, Database& database, Settings settings,
                       const Clock& clock)
    : states_(database), settings_(std::move(settings)), clock_(clock) {
    for (const std::string& address : sources)
        sources_[address].copy.address = address;
    takeUpSaved(0);
}

SourcePool::~SourcePool() {
    stop();
}

std::string SourcePool::hostOf(const std::string& source) {
    if (isFileSource(source))
        return "file";
    const auto start = source.find("://") + 3;
    const auto end = source.find_first_of("/?#", start);
    std::string host = source.substr(0, end == std::string::npos ? source.size() : end);
    if (const auto at = host.find('@', start); at != std::string::npos)
        host.erase(start, at + 1 - start);
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host;
}

void SourcePool::start(ChangeHandler onChange) {
    onChange_ = std::move(onChange);
    std::map<std::string, std::vector<std::string>> hosts;
    for (const auto& [address, source] : sources_)
        hosts[hostOf(address)].push_back(address);
    for (auto& [host, addresses] : hosts)
        threads_.emplace_back(
            [this, list = std::move(addresses)](std::stop_token stop) { runHost(stop, list); });
    threads_.emplace_back([this](std::stop_token stop) { poll(std::move(stop)); });
}

void SourcePool::stop() {
    for (std::jthread& t : threads_)
        t.request_stop();
    threads_.clear(); // joins
}

std::shared_ptr<const Feed> SourcePool::feed(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(source);
    return found == sources_.end() ? nullptr : found->second.feed;
}

bool SourcePool::takeUpSaved(std::int64_t sinceMs) {
    std::vector<SourceState> saved = states_.savedSince(sinceMs).get();
    bool changed = false;
    for (SourceState& state : saved) {
        Source source;
        {
            std::lock_guard lock(mutex_);
            const auto found = sources_.find(state.address);
            if (found == sources_.end())
                continue;
            source = found->second;
        }
        const bool fresh = !sameCopy(source.copy, state);
        source.copy = std::move(state);
        std::string error;
        if (fresh && source.copy.hasBody) {
            if (readCopy(source, error))
                changed = true;
            else
                log(source.copy.address, "the stored copy is no feed: " + error);
        }
        std::lock_guard lock(mutex_);
        sources_[source.copy.address] = std::move(source);
        ++copiesTaken_;
    }
    wake_.notify_all();
    return changed;
}

void SourcePool::poll(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    std::int64_t since = clock_.nowMs() - ClockMarginMs;
    for (;;) {
        clock_.waitFor(lock, wake_, stop, PollEvery, [] { return false; });
        if (stop.stop_requested())
            return;
        lock.unlock();
        const std::int64_t started = clock_.nowMs();
        bool changed = false;
        try {
            changed = takeUpSaved(since);
            since = started - ClockMarginMs;
        } catch (const StoreError& e) {
            log("database", std::string("cannot read the sources' copies: ") + e.what());
        }
        if (changed && onChange_)
            onChange_();
        lock.lock();
    }
}

bool SourcePool::readCopy(Source& source, std::string& error) {
    const SourceState& copy = source.copy;
    std::vector<std::string> notices;
    try {
        source.feed = std::make_shared<const Feed>(readFeed(
            {.body = copy.body, .httpCharset = copy.charset, .address = copy.finalAddress}, notices));
    } catch (const FeedError& e) {
        error = e.what();
        return false;
    }
    for (const std::string& notice : notices)
        log(copy.address, notice);
    return true;
}

void SourcePool::runHost(std::stop_token stop, const std::vector<std::string>& addresses) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        const std::string* due = nullptr;
        for (const std::string& address : addresses)
            if (!due || sources_.at(address).copy.nextFetch < sources_.at(*due).copy.nextFetch)
                due = &address;
        const std::int64_t at = sources_.at(*due).copy.nextFetch;
        if (at > clock_.nowSeconds()) {
            // Woken early when another process's copy changes the schedule.
            const std::uint64_t seen = copiesTaken_;
            clock_.waitUntil(lock, wake_, stop, fromMs(at * 1000), [&] { return copiesTaken_ != seen; });
            continue;
        }
        lock.unlock();
        if (claim(*due)) {
            fetch(*due);
        } else {
            // Another process fetches it; what it saves comes with the next poll.
            lock.lock();
            SourceState& copy = sources_.at(*due).copy;
            copy.nextFetch = std::max(copy.nextFetch, clock_.nowSeconds() + 5);
            continue;
        }
        lock.lock();
    }
}

bool SourcePool::claim(const std::string& address) {
    const std::int64_t now = clock_.nowMs();
    try {
        return states_.claim(address, owner(), now, now + LeaseMs).get();
    } catch (const StoreError& e) {
        log(address, std::string("cannot take the lease: ") + e.what());
        return false;
    }
}

void SourcePool::fetch(const std::string& address) {
    Source source;
    {
        std::lock_guard lock(mutex_);
        source = sources_.at(address);
    }
    SourceState& copy = source.copy;
    FetchResult result = fetchSource(copy, settings_.userAgent);
    const std::int64_t now = clock_.nowSeconds();
    bool changed = false;
    std::optional<std::int64_t> ttl = source.feed ? source.feed->ttlSeconds : std::nullopt;
    if (result.kind == FetchResult::Kind::Fresh) {
        Source fresh = source;
        fresh.copy.body = std::move(result.body);
        fresh.copy.charset = result.charset;
        fresh.copy.finalAddress = result.finalAddress;
        std::string error;
        if (readCopy(fresh, error)) {
            source = std::move(fresh);
            copy.hasBody = true;
            copy.etag = headerValue(result.headers, "ETag").value_or("");
            copy.lastModified = headerValue(result.headers, "Last-Modified").value_or("");
            ttl = source.feed->ttlSeconds;
            changed = true;
        } else {
            result.kind = FetchResult::Kind::Failed;
            result.error = "the answer is no feed: " + error;
        }
    }
    if (result.kind == FetchResult::Kind::Failed) {
        ++copy.failures;
        log(address, result.error + (copy.hasBody ? "; the last good copy is served" : ""));
        ttl.reset();
    } else {
        copy.failures = 0;
    }
    const auto wait =
        nextWait(copy.failures, askedWait(result.status, result.headers, ttl, now), settings_.intervals);
    copy.nextFetch = now + wait.count();
    try {
        states_.save(copy, clock_.nowMs()).get();
    } catch (const StoreError& e) {
        log(address, std::string("cannot keep the copy: ") + e.what());
    }
    {
        std::lock_guard lock(mutex_);
        sources_[address] = std::move(source);
    }
    if (changed && onChange_)
        onChange_();
}

} // namespace brisma::server
