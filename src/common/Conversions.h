#pragma once

#include "common/Clock.h"

#include <cstdint>
#include <string>
#include <string_view>

// The system's text-to-number and date conversions, which its behaviour depends on: blanks are
// trimmed, fractions round half to even, out-of-range values raise Overflow (6) and texts that
// are not numbers raise Type mismatch (13).
namespace brisma::conv {

int16_t CInt(std::string_view text);
int32_t CLng(std::string_view text);

// The words True and False (any case) or a number (non-zero is true).
bool CBool(std::string_view text);

// A date such as 2026/12/09, 2026-12-09 or 2026/12/9 10:30:00; raises Type mismatch otherwise.
DateTime CDate(std::string_view text);

// Calendar-day boundaries from `from` to `to` (positive when `to` is later).
long DateDiffDays(const DateTime& from, const DateTime& to);

// `value` in decimal, zero-padded on the left to at least `digits` digits ("000", "0000").
std::string ZeroPad(long value, int digits);

// The first / last `n` characters (all of `text` when shorter).
std::string Left(std::string_view text, std::size_t n);
std::string Right(std::string_view text, std::size_t n);

} // namespace brisma::conv
