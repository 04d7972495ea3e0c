#include "server/sources/SourceCopies.h"

#include "server/model/Clock.h"
#include "server/model/Log.h"
#include "server/store/StoreError.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace brisma::server {
namespace {

bool sameCopy(const SourceState& a, const SourceState& b) {
    return a.hasBody == b.hasBody && a.body == b.body && a.charset == b.charset &&
           a.finalAddress == b.finalAddress;
}

void takeCopy(SourceState& into, const SourceState& from) {
    into.hasBody = from.hasBody;
    into.body = from.body;
    into.charset = from.charset;
    into.finalAddress = from.finalAddress;
    into.etag = from.etag;
    into.lastModified = from.lastModified;
}

// `text` with its line breaks and other control characters as spaces.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

// The copy's body read as a feed; null (with the reason in `error`) when it is none.
std::shared_ptr<const Feed> readCopy(const SourceState& copy, std::string& error) {
    std::vector<std::string> notices;
    std::shared_ptr<const Feed> feed;
    try {
        feed = std::make_shared<const Feed>(readFeed(
            {.body = copy.body, .httpCharset = copy.charset, .address = copy.finalAddress}, notices));
    } catch (const FeedError& e) {
        error = e.what();
        return nullptr;
    }
    for (const std::string& notice : notices)
        logSource(copy.address, notice);
    return feed;
}

} // namespace

SourceCopies::SourceCopies(const std::vector<std::string>& sources, Database& database) : states_(database) {
    for (const std::string& address : sources) {
        sources_[address].state.address = address;
        sources_[address].host = hostOf(address);
    }
    takeUpSavedSince(0);
}

std::shared_ptr<const Feed> SourceCopies::feed(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(source);
    return found == sources_.end() ? nullptr : found->second.feed;
}

SourceState SourceCopies::state(const std::string& source) const {
    std::lock_guard lock(mutex_);
    return sources_.at(source).state;
}

std::optional<std::string> SourceCopies::takeDue(const Clock& clock, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        const std::pair<const std::string, Source>* due = nullptr;
        for (const auto& entry : sources_)
            if (!heldHosts_.contains(entry.second.host) &&
                (!due || entry.second.state.nextFetchMs < due->second.state.nextFetchMs))
                due = &entry;
        if (due && due->second.state.nextFetchMs <= clock.nowMs()) {
            heldHosts_.insert(due->second.host);
            return due->first;
        }
        // With every host held, a host given back is what comes next.
        const Clock::TimePoint at =
            due ? fromMs(due->second.state.nextFetchMs) : clock.now() + std::chrono::hours(1);
        const std::uint64_t seen = changes_;
        clock.waitUntil(lock, wake_, stop, at, [&] { return changes_ != seen; });
    }
    return std::nullopt;
}

void SourceCopies::giveBack(const std::string& source) {
    {
        std::lock_guard lock(mutex_);
        heldHosts_.erase(sources_.at(source).host);
        ++changes_;
    }
    wake_.notify_all();
}

void SourceCopies::defer(const std::string& source, std::int64_t atMs) {
    std::lock_guard lock(mutex_);
    std::int64_t& next = sources_.at(source).state.nextFetchMs;
    next = std::max(next, atMs);
}

bool SourceCopies::keepFetched(const std::string& address, FetchResult result, std::int64_t nowMs,
                               Intervals bounds) {
    SourceState answer{.address = address,
                       .hasBody = true,
                       .body = std::move(result.body),
                       .charset = result.charset,
                       .finalAddress = result.finalAddress,
                       .etag = headerValue(result.headers, "ETag").value_or(""),
                       .lastModified = headerValue(result.headers, "Last-Modified").value_or("")};
    std::shared_ptr<const Feed> fresh;
    if (result.kind == FetchResult::Kind::Fresh) {
        std::string error;
        fresh = readCopy(answer, error);
        if (!fresh) {
            result.kind = FetchResult::Kind::Failed;
            result.error = "the answer is no feed: " + error;
        }
    }
    SourceState saved;
    {
        // Only what the fetch brought changes: a copy another process saved while it was under
        // way stays, unless this one is fresh.
        std::lock_guard lock(mutex_);
        Source& source = sources_.at(address);
        SourceState& state = source.state;
        if (fresh) {
            takeCopy(state, answer);
            source.feed = fresh;
            source.copySavedMs = nowMs;
        }
        std::optional<std::int64_t> ttl = source.feed ? source.feed->ttlSeconds : std::nullopt;
        state.lastFetchMs = nowMs;
        if (result.kind == FetchResult::Kind::Failed) {
            ++state.failures;
            state.lastError = oneLine(result.error);
            ttl.reset();
        } else {
            state.failures = 0;
            state.lastSuccessMs = nowMs;
            state.lastError.clear();
        }
        const auto wait =
            nextWait(state.failures, askedWait(result.status, result.headers, ttl, nowMs / 1000), bounds);
        state.nextFetchMs = nowMs + std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
        state.savedMs = nowMs;
        source.scheduleSavedMs = nowMs;
        saved = state;
    }
    if (result.kind == FetchResult::Kind::Failed)
        logSource(address, result.error + (saved.hasBody ? "; the last good copy is served" : ""));
    try {
        (fresh ? states_.save(saved) : states_.saveSchedule(saved)).get();
    } catch (const StoreError& e) {
        logSource(address, std::string("cannot keep the copy: ") + e.what());
    }
    return fresh != nullptr;
}

std::vector<std::string> SourceCopies::takeUpSavedSince(std::int64_t sinceMs) {
    std::vector<std::string> changed;
    for (const SourceState& row : states_.savedSince(sinceMs).get()) {
        bool unread = false;
        {
            std::lock_guard lock(mutex_);
            const auto found = sources_.find(row.address);
            if (found == sources_.end())
                continue;
            const Source& source = found->second;
            unread = row.savedMs > source.copySavedMs && row.hasBody && !sameCopy(source.state, row);
        }
        // Read unlocked: a fetch that keeps its copy meanwhile is newer, and the check below sees it.
        std::shared_ptr<const Feed> feed;
        if (unread) {
            std::string error;
            feed = readCopy(row, error);
            if (!feed)
                logSource(row.address, "the stored copy is no feed: " + error);
        }
        std::lock_guard lock(mutex_);
        Source& source = sources_.at(row.address);
        if (row.savedMs > source.copySavedMs) {
            if (feed || sameCopy(source.state, row))
                takeCopy(source.state, row);
            if (feed) {
                source.feed = std::move(feed);
                changed.push_back(row.address);
            }
            source.copySavedMs = row.savedMs;
        }
        if (row.savedMs > source.scheduleSavedMs) {
            source.state.nextFetchMs = row.nextFetchMs;
            source.state.failures = row.failures;
            source.state.lastFetchMs = row.lastFetchMs;
            source.state.lastSuccessMs = row.lastSuccessMs;
            source.state.lastError = row.lastError;
            source.scheduleSavedMs = row.savedMs;
        }
        ++changes_;
    }
    wake_.notify_all();
    return changed;
}

} // namespace brisma::server
