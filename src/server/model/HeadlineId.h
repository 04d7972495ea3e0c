#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A headline id: the channel (3 digits), the publication minute in Japan time (YYYYMMDDhhmm) and
// a serial unique in that channel and minute (4 digits, from 0001).
namespace brisma::server {

constexpr int MaxHeadlineSerial = 9999;

// The lowest serial not yet given in one channel and minute, named by the ids' first 15 digits;
// 0 when all are.
using FreeSerial = std::function<int(const std::string& minutePrefix)>;

// The id of a new item of `channel` published at `epochSeconds`, with its minute's free serial. A
// full minute lends the next minute's, so ids stay 19 digits and unique and a busy channel never
// stops getting ids. Raises std::out_of_range for a channel over 999.
std::string makeHeadlineId(int channel, std::int64_t epochSeconds, const FreeSerial& freeSerial);

// The time an item is dated by: its own date, unless that is missing or lies more than ten
// minutes after `now`; then the time it was first seen.
std::int64_t publicationTime(std::optional<std::int64_t> date, std::int64_t firstSeen, std::int64_t now);

} // namespace brisma::server
