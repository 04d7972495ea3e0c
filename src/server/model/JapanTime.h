#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Japan time (UTC+9, no summer time): the days the figures count by, the minutes headline ids
// name. Days are numbered from 1970-01-01 of Japan's calendar.
namespace brisma::server::japan {

constexpr std::int64_t OffsetMs = std::int64_t{9} * 3'600'000;
constexpr std::int64_t DayMs = 86'400'000;

// The day a moment falls on in Japan.
std::int64_t dayOf(std::int64_t epochMs);
// The first millisecond of a day.
constexpr std::int64_t startOf(std::int64_t day) {
    return day * DayMs - OffsetMs;
}
// YYYYMMDD of a day, and back: none unless eight digits name a real date.
int dateOf(std::int64_t day);
std::optional<std::int64_t> dayOfDate(std::string_view yyyymmdd);

// "YYYYMMDDhhmm" of the minute a moment falls in.
std::string minuteOf(std::int64_t epochSeconds);
// ISO 8601 with its offset: "2026-12-09T18:04:05+09:00".
std::string isoTime(std::int64_t epochSeconds);

} // namespace brisma::server::japan
