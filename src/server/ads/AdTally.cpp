#include "server/ads/AdTally.h"

#include "server/model/Clock.h"
#include "server/model/JapanTime.h"
#include "server/model/Log.h"

#include <algorithm>
#include <chrono>
#include <iostream>

namespace brisma::server {
namespace {

int dayOf(std::int64_t ms) {
    return japan::dateOf(japan::dayOf(ms));
}

bool digitsOnly(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

AdTally::AdTally(Database& database, const Clock& clock)
    : counts_(database), clock_(clock), syncer_([this](std::stop_token stop) { run(std::move(stop)); }) {}

AdTally::~AdTally() {
    syncer_.request_stop();
    syncer_.join();
    sync();
}

void AdTally::book(BookedIds ids) {
    std::lock_guard lock(mutex_);
    booked_ = std::move(ids);
}

std::int64_t AdTally::impressionsToday(const std::string& campaign, int day) const {
    std::int64_t used = 0;
    if (totals_.day == day)
        if (const auto stored = totals_.impressionsToday.find(campaign);
            stored != totals_.impressionsToday.end())
            used = stored->second;
    if (const auto local = unread_.find({campaign, day}); local != unread_.end())
        used += local->second;
    return used;
}

bool AdTally::underCapsLocked(const Campaign& campaign, int day) const {
    if (campaign.dailyImpressions && impressionsToday(campaign.id, day) >= *campaign.dailyImpressions)
        return false;
    const auto billable = totals_.billable.find(campaign.id);
    return !campaign.clicks || billable == totals_.billable.end() || billable->second < *campaign.clicks;
}

bool AdTally::underCaps(const Campaign& campaign, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    return underCapsLocked(campaign, dayOf(nowMs));
}

std::optional<std::size_t> AdTally::pickLocked(const std::vector<const Campaign*>& running, int day,
                                               std::mt19937_64& random) const {
    std::int64_t total = 0;
    std::vector<std::int64_t> upTo(running.size(), 0); // running sums of the weights of those under caps
    for (std::size_t i = 0; i < running.size(); ++i) {
        if (underCapsLocked(*running[i], day))
            total += running[i]->weight;
        upTo[i] = total;
    }
    if (total == 0)
        return std::nullopt;
    const std::int64_t ticket = std::uniform_int_distribution<std::int64_t>(0, total - 1)(random);
    return static_cast<std::size_t>(std::upper_bound(upTo.begin(), upTo.end(), ticket) - upTo.begin());
}

std::optional<std::size_t> AdTally::choose(const std::vector<const Campaign*>& running, std::int64_t nowMs,
                                           std::mt19937_64& random) {
    std::lock_guard lock(mutex_);
    return pickLocked(running, dayOf(nowMs), random);
}

std::optional<std::size_t> AdTally::serve(const std::vector<const Campaign*>& running,
                                          const std::string& channel, std::int64_t nowMs,
                                          std::mt19937_64& random) {
    const int day = dayOf(nowMs);
    std::lock_guard lock(mutex_);
    const auto chosen = pickLocked(running, day, random);
    if (chosen) {
        ++pending_[{running[*chosen]->id, channel, day}];
        ++unread_[{running[*chosen]->id, day}];
    }
    return chosen;
}

std::optional<std::future<void>> AdTally::count(ReportKind kind, const Query& query, std::int64_t nowMs) {
    const int day = dayOf(nowMs);
    std::lock_guard lock(mutex_);
    if (!booked_.any)
        return std::nullopt;
    if (kind == ReportKind::View) {
        const std::string movie = firstValue(query, "movie").value_or("");
        if (const auto found = booked_.movies.find(movie); found != booked_.movies.end()) {
            ++pending_[{found->second.id, "903", day}];
            ++unread_[{found->second.id, day}];
        }
        return std::nullopt;
    }
    if (kind != ReportKind::AdClick && kind != ReportKind::AdView)
        return std::nullopt;
    const std::string id = firstValue(query, "id").value_or("");
    const Campaign* campaign = nullptr;
    if (id.size() == 19 && digitsOnly(id) && id.substr(3, 4) == "9999") {
        const std::int64_t serial = std::stoll(id.substr(7));
        if (serial == 0)
            return std::nullopt; // the house text
        const auto& byNumber = id.starts_with("999") ? booked_.banners : booked_.texts;
        if (const auto found = byNumber.find(serial); found != byNumber.end())
            campaign = &found->second;
    } else if (id.size() == 19 && id.starts_with("903")) {
        if (const auto found = booked_.movies.find(id.substr(11)); found != booked_.movies.end())
            campaign = &found->second;
    }
    const std::string channel = id.substr(0, 3);
    if (kind == ReportKind::AdView) {
        if (campaign) {
            ++pending_[{campaign->id, channel, day}];
            ++unread_[{campaign->id, day}];
        }
        return std::nullopt;
    }
    AdClick click{
        campaign ? campaign->id : "", channel, day, firstValue(query, "userid"), nowMs, false, std::nullopt};
    if (campaign) {
        click.ended = nowMs < campaign->startMs || nowMs >= campaign->endMs + GraceMs;
        click.booked = campaign->clicks;
    }
    return counts_.addClick(std::move(click));
}

void AdTally::sync() {
    std::lock_guard one(syncMutex_);
    std::map<AdCountKey, std::int64_t> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(pending_);
    }
    const int today = dayOf(clock_.nowMs());
    try {
        AdCapTotals totals = counts_.addImpressions(taken, today).get();
        std::lock_guard lock(mutex_);
        totals_ = std::move(totals);
        // What was written is in the totals now; what came meanwhile is still only here.
        for (const auto& [key, count] : taken) {
            auto local = unread_.find({key.campaign, key.day});
            if ((local->second -= count) == 0)
                unread_.erase(local);
        }
        std::erase_if(unread_, [today](const auto& entry) { return entry.first.second < today; });
        if (failing_) {
            failing_ = false;
            Log::write(Log::Info, "advertisement counts written again");
        }
    } catch (const std::exception& e) {
        {
            std::lock_guard lock(mutex_);
            for (const auto& [key, count] : taken)
                pending_[key] += count;
        }
        // Tried every second while the database is away: a notice a minute says as much.
        const std::int64_t now = clock_.nowMs();
        if (!failing_ || now - noticedMs_ >= NoticeMs) {
            Log::write(Log::Warning,
                       std::string("advertisement counts not written, kept for the next try: ") + e.what());
            noticedMs_ = now;
        }
        failing_ = true;
    }
}

void AdTally::run(std::stop_token stop) {
    for (;;) {
        {
            std::unique_lock lock(waitMutex_);
            clock_.waitFor(lock, wake_, stop, std::chrono::seconds(1), [] { return false; });
        }
        if (stop.stop_requested())
            return;
        sync();
    }
}

} // namespace brisma::server
