#include "server/admin/SourceList.h"

#include "server/store/SourceStates.h"

#include <algorithm>
#include <ctime>
#include <tuple>

namespace brisma::server {

std::vector<SourceRow> readSourceRows(const Database& database,
                                      const std::map<std::string, std::vector<int>>& channelsOfSources) {
    std::map<std::string, SourceState> kept;
    for (SourceState& state : readSourceStates(database))
        kept.emplace(state.address, std::move(state));
    std::vector<SourceRow> rows;
    for (const auto& [address, channels] : channelsOfSources) {
        SourceRow row{.address = address, .channels = channels};
        if (const auto found = kept.find(address); found != kept.end()) {
            const SourceState& state = found->second;
            // A copy or a failure kept before fetches were timed counts as fetched.
            const bool fetched = state.lastFetchMs > 0 || state.hasBody || state.failures > 0;
            row.health = state.failures > 0 ? SourceHealth::Failing
                         : fetched          ? SourceHealth::Ok
                                            : SourceHealth::Pending;
            row.failures = state.failures;
            row.lastError = state.lastError;
            row.lastFetchMs = state.lastFetchMs;
            row.lastSuccessMs = state.lastSuccessMs;
            row.nextFetchMs = state.nextFetchMs;
        }
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const SourceRow& a, const SourceRow& b) {
        return std::tuple(a.health, -a.failures) < std::tuple(b.health, -b.failures);
    });
    return rows;
}

const char* healthName(SourceHealth health) {
    switch (health) {
    case SourceHealth::Failing:
        return "failing";
    case SourceHealth::Pending:
        return "pending";
    case SourceHealth::Ok:
        break;
    }
    return "ok";
}

std::string utcTime(std::int64_t epochMs) {
    const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

} // namespace brisma::server
