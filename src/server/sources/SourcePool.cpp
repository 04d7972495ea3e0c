#include "server/sources/SourcePool.h"

#include "server/sources/SourceFetch.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

namespace brisma::server {
namespace {

void log(const std::string& source, const std::string& what) {
    std::fprintf(stderr, "brisma-server: %s: %s\n", source.c_str(), what.c_str());
}

} // namespace

SourcePool::SourcePool(const std::vector<std::string>& sources, const std::string& copyFolder,
                       Settings settings)
    : copies_(copyFolder), settings_(std::move(settings)) {
    for (const std::string& address : sources) {
        if (sources_.contains(address))
            continue;
        Source source;
        if (auto stored = copies_.load(address))
            source.copy = std::move(*stored);
        else
            source.copy.address = address;
        std::string error;
        if (source.copy.hasBody && !readCopy(source, error))
            log(address, "the stored copy is no feed: " + error);
        sources_.emplace(address, std::move(source));
    }
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
        threads_.emplace_back([this, list = std::move(addresses)] { runHost(list); });
}

void SourcePool::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
    threads_.clear();
}

std::shared_ptr<const Feed> SourcePool::feed(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(source);
    return found == sources_.end() ? nullptr : found->second.feed;
}

bool SourcePool::readCopy(Source& source, std::string& error) {
    const SourceCopy& copy = source.copy;
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

void SourcePool::runHost(const std::vector<std::string>& addresses) {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const std::string* due = nullptr;
        for (const std::string& address : addresses)
            if (!due || sources_.at(address).copy.nextFetch < sources_.at(*due).copy.nextFetch)
                due = &address;
        const std::int64_t at = sources_.at(*due).copy.nextFetch;
        if (at > std::time(nullptr)) {
            wake_.wait_until(lock, std::chrono::system_clock::from_time_t(static_cast<std::time_t>(at)));
            continue;
        }
        lock.unlock();
        fetch(*due);
        lock.lock();
    }
}

void SourcePool::fetch(const std::string& address) {
    Source source;
    {
        std::lock_guard lock(mutex_);
        source = sources_.at(address);
    }
    SourceCopy& copy = source.copy;
    FetchResult result = fetchSource(copy, settings_.userAgent);
    const std::int64_t now = std::time(nullptr);
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
        copies_.save(copy);
    } catch (const std::exception& e) {
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
