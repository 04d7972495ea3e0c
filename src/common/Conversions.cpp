#include "common/Conversions.h"

#include "common/BrismaError.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace brisma::conv {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Parses [+-]digits[.digits][e[+-]digits]; nothing else is a number.
bool parseNumber(std::string_view text, double& value) {
    std::string_view s = trim(text);
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && isDigit(s[j]))
            ++j, ++expDigits;
        if (expDigits == 0)
            return false;
        i = j;
    }
    if (i != s.size())
        return false;
    value = std::strtod(std::string(s).c_str(), nullptr);
    return true;
}

double toRoundedInteger(std::string_view text, double lo, double hi) {
    double value = 0;
    if (!parseNumber(text, value))
        raise(err::TypeMismatch);
    const double rounded = std::nearbyint(value); // the default mode rounds half to even
    if (!(rounded >= lo && rounded <= hi))
        raise(err::Overflow);
    return rounded;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Reads an unsigned decimal field of 1..maxDigits digits at `pos`.
bool readField(std::string_view s, std::size_t& pos, int maxDigits, int& out) {
    int n = 0;
    int value = 0;
    while (pos < s.size() && isDigit(s[pos]) && n < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos, ++n;
    }
    out = value;
    return n > 0;
}

bool validDate(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + ((m == 2 && leap) ? 1 : 0);
}

} // namespace

int16_t CInt(std::string_view text) {
    return static_cast<int16_t>(toRoundedInteger(text, -32768.0, 32767.0));
}

int32_t CLng(std::string_view text) {
    return static_cast<int32_t>(toRoundedInteger(text, -2147483648.0, 2147483647.0));
}

bool CBool(std::string_view text) {
    const std::string_view s = trim(text);
    if (iequals(s, "True"))
        return true;
    if (iequals(s, "False"))
        return false;
    double value = 0;
    if (!parseNumber(s, value))
        raise(err::TypeMismatch);
    return value != 0.0;
}

DateTime CDate(std::string_view text) {
    const std::string_view s = trim(text);
    DateTime dt{};
    std::size_t pos = 0;
    if (!readField(s, pos, 4, dt.year) || pos >= s.size() || (s[pos] != '/' && s[pos] != '-'))
        raise(err::TypeMismatch);
    const char sep = s[pos++];
    if (!readField(s, pos, 2, dt.month) || pos >= s.size() || s[pos] != sep)
        raise(err::TypeMismatch);
    ++pos;
    if (!readField(s, pos, 2, dt.day) || !validDate(dt.year, dt.month, dt.day))
        raise(err::TypeMismatch);
    if (pos < s.size()) {
        if (s[pos] != ' ' && s[pos] != 'T')
            raise(err::TypeMismatch);
        ++pos;
        while (pos < s.size() && s[pos] == ' ')
            ++pos;
        if (!readField(s, pos, 2, dt.hour) || pos >= s.size() || s[pos] != ':')
            raise(err::TypeMismatch);
        ++pos;
        if (!readField(s, pos, 2, dt.minute))
            raise(err::TypeMismatch);
        if (pos < s.size() && s[pos] == ':') {
            ++pos;
            if (!readField(s, pos, 2, dt.second))
                raise(err::TypeMismatch);
        }
        if (pos != s.size() || dt.hour > 23 || dt.minute > 59 || dt.second > 59)
            raise(err::TypeMismatch);
    }
    return dt;
}

long DateDiffDays(const DateTime& from, const DateTime& to) {
    return dayNumber(to) - dayNumber(from);
}

std::string ZeroPad(long value, int digits) {
    char buf[32];
    if (value < 0)
        std::snprintf(buf, sizeof buf, "-%0*ld", digits, -value);
    else
        std::snprintf(buf, sizeof buf, "%0*ld", digits, value);
    return buf;
}

std::string Left(std::string_view text, std::size_t n) {
    return std::string(text.substr(0, n));
}

std::string Right(std::string_view text, std::size_t n) {
    return std::string(text.size() <= n ? text : text.substr(text.size() - n));
}

} // namespace brisma::conv
