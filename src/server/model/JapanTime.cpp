#include "server/model/JapanTime.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace brisma::server::japan {
namespace {

using namespace std::chrono;

// Floor division, so moments before 1970 fall on their own day.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b < 0 ? 1 : 0);
}

struct Parts {
    year_month_day date;
    std::int64_t secondOfDay;
};

Parts partsOf(std::int64_t epochSeconds) {
    const std::int64_t local = epochSeconds + OffsetMs / 1000;
    const std::int64_t day = floorDiv(local, 86'400);
    return {year_month_day{sys_days{days{day}}}, local - day * 86'400};
}

} // namespace

std::int64_t dayOf(std::int64_t epochMs) {
    return floorDiv(epochMs + OffsetMs, DayMs);
}

int dateOf(std::int64_t day) {
    const year_month_day date{sys_days{days{day}}};
    return static_cast<int>(date.year()) * 10000 +
           static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
           static_cast<int>(static_cast<unsigned>(date.day()));
}

std::optional<std::int64_t> dayOfDate(std::string_view text) {
    if (text.size() != 8 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(std::string(text));
    const year_month_day date{year{value / 10000}, month{static_cast<unsigned>(value / 100 % 100)},
                              day{static_cast<unsigned>(value % 100)}};
    if (!date.ok())
        return std::nullopt;
    return sys_days{date}.time_since_epoch().count();
}

std::string minuteOf(std::int64_t epochSeconds) {
    const Parts p = partsOf(epochSeconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d", static_cast<int>(p.date.year()),
                  static_cast<unsigned>(p.date.month()), static_cast<unsigned>(p.date.day()),
                  static_cast<int>(p.secondOfDay / 3600), static_cast<int>(p.secondOfDay / 60 % 60));
    return text;
}

std::string isoTime(std::int64_t epochSeconds) {
    const Parts p = partsOf(epochSeconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d+09:00", static_cast<int>(p.date.year()),
                  static_cast<unsigned>(p.date.month()), static_cast<unsigned>(p.date.day()),
                  static_cast<int>(p.secondOfDay / 3600), static_cast<int>(p.secondOfDay / 60 % 60),
                  static_cast<int>(p.secondOfDay % 60));
    return text;
}

} // namespace brisma::server::japan
