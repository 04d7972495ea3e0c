#include "server/feeds/FeedDate.h"

#include <array>
#include <cctype>
#include <chrono>
#include <string>

namespace brisma::server {
namespace {

// Reads the text one token at a time; every reader returns false and leaves the position
// unspecified when the text does not match.
class Scanner {
public:
    explicit Scanner(std::string_view text) : s_(text) {}

    bool atEnd() const { return at_ == s_.size(); }
    char peek() const { return atEnd() ? '\0' : s_[at_]; }
    bool skip(char c) {
        if (peek() != c)
            return false;
        ++at_;
        return true;
    }
    void spaces() {
        while (!atEnd() && (std::isspace(static_cast<unsigned char>(s_[at_])) || s_[at_] == ','))
            ++at_;
    }
    // Exactly `min`..`max` digits.
    bool number(int& out, std::size_t min, std::size_t max) {
        std::size_t n = 0;
        out = 0;
        while (n < max && !atEnd() && std::isdigit(static_cast<unsigned char>(s_[at_]))) {
            out = out * 10 + (s_[at_++] - '0');
            ++n;
        }
        return n >= min;
    }
    // A parenthesised comment, as in "+0900 (JST)".
    void comment() {
        if (skip('('))
            while (!atEnd() && s_[at_++] != ')') {
            }
    }
    std::string word() {
        std::string w;
        while (!atEnd() && std::isalpha(static_cast<unsigned char>(s_[at_])))
            w += static_cast<char>(std::tolower(static_cast<unsigned char>(s_[at_++])));
        return w;
    }

private:
    std::string_view s_;
    std::size_t at_ = 0;
};

struct Fields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offsetMinutes = 0;
};

std::optional<std::int64_t> toEpoch(const Fields& f) {
    using namespace std::chrono;
    const year_month_day date{year{f.year}, month{static_cast<unsigned>(f.month)},
                              day{static_cast<unsigned>(f.day)}};
    if (!date.ok() || f.year < 1970 || f.year > 9999 || f.hour > 23 || f.minute > 59 || f.second > 60)
        return std::nullopt;
    const std::int64_t days = sys_days(date).time_since_epoch().count();
    const std::int64_t minutes = std::int64_t{f.hour} * 60 + f.minute - f.offsetMinutes;
    return days * 86400 + minutes * 60 + f.second;
}

// "+0900", "-05:00" or "Z" at the scanner; false when none of them is there.
bool numericZone(Scanner& in, int& offsetMinutes) {
    if (in.skip('Z') || in.skip('z')) {
        offsetMinutes = 0;
        return true;
    }
    const int sign = in.skip('+') ? 1 : in.skip('-') ? -1 : 0;
    int hours = 0;
    int minutes = 0;
    if (sign == 0 || !in.number(hours, 2, 2))
        return false;
    in.skip(':');
    if (!in.number(minutes, 2, 2) || hours > 23 || minutes > 59)
        return false;
    offsetMinutes = sign * (hours * 60 + minutes);
    return true;
}

bool namedZone(const std::string& zone, int& offsetMinutes) {
    struct Named {
        const char* name;
        int hours;
    };
    static constexpr std::array zones{Named{"ut", 0},   Named{"utc", 0},  Named{"gmt", 0},  Named{"z", 0},
                                      Named{"est", -5}, Named{"edt", -4}, Named{"cst", -6}, Named{"cdt", -5},
                                      Named{"mst", -7}, Named{"mdt", -6}, Named{"pst", -8}, Named{"pdt", -7},
                                      Named{"jst", 9}};
    for (const Named& z : zones)
        if (zone == z.name) {
            offsetMinutes = z.hours * 60;
            return true;
        }
    // RFC 822's military letters; their signs were given the wrong way round, so RFC 2822 reads
    // them all as an unknown zone, that is UTC.
    if (zone.size() == 1 && zone[0] != 'j') {
        offsetMinutes = 0;
        return true;
    }
    return false;
}

int monthNumber(const std::string& name) {
    static constexpr std::array names{"jan", "feb", "mar", "apr", "may", "jun",
                                      "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() < 3)
        return 0;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (name.starts_with(names[i]))
            return static_cast<int>(i) + 1;
    return 0;
}

// [weekday ","] day month year hh:mm[:ss] zone
std::optional<std::int64_t> rfc822(std::string_view text) {
    Scanner in(text);
    Fields f;
    in.spaces();
    if (std::isalpha(static_cast<unsigned char>(in.peek()))) {
        in.word(); // the weekday, which adds nothing
        in.spaces();
    }
    if (!in.number(f.day, 1, 2))
        return std::nullopt;
    in.spaces();
    in.skip('-');
    f.month = monthNumber(in.word());
    in.skip('-');
    in.spaces();
    if (f.month == 0 || !in.number(f.year, 2, 4))
        return std::nullopt;
    if (f.year < 100) // two-digit years, as RFC 2822 reads them
        f.year += f.year < 50 ? 2000 : 1900;
    in.spaces();
    if (!in.number(f.hour, 1, 2) || !in.skip(':') || !in.number(f.minute, 2, 2))
        return std::nullopt;
    if (in.skip(':') && !in.number(f.second, 2, 2))
        return std::nullopt;
    in.spaces();
    if (!in.atEnd() && !numericZone(in, f.offsetMinutes) && !namedZone(in.word(), f.offsetMinutes))
        return std::nullopt;
    in.spaces();
    in.comment();
    in.spaces();
    if (!in.atEnd())
        return std::nullopt;
    return toEpoch(f);
}

// YYYY[-MM[-DD[(T| )hh:mm[:ss[.fraction]][zone]]]]
std::optional<std::int64_t> iso8601(std::string_view text) {
    Scanner in(text);
    Fields f{.year = 0, .month = 1, .day = 1};
    in.spaces();
    if (!in.number(f.year, 4, 4))
        return std::nullopt;
    if (in.skip('-')) {
        if (!in.number(f.month, 2, 2))
            return std::nullopt;
        if (in.skip('-') && !in.number(f.day, 2, 2))
            return std::nullopt;
    }
    if (in.skip('T') || in.skip('t') || in.skip(' ')) {
        if (!in.number(f.hour, 2, 2) || !in.skip(':') || !in.number(f.minute, 2, 2))
            return std::nullopt;
        if (in.skip(':')) {
            if (!in.number(f.second, 2, 2))
                return std::nullopt;
            int fraction = 0;
            if (in.skip('.') && !in.number(fraction, 1, 9))
                return std::nullopt;
            while (std::isdigit(static_cast<unsigned char>(in.peek())))
                in.skip(in.peek());
        }
        if (!in.atEnd() && !numericZone(in, f.offsetMinutes))
            return std::nullopt;
    }
    in.spaces();
    if (!in.atEnd())
        return std::nullopt;
    return toEpoch(f);
}

} // namespace

std::optional<std::int64_t> parseFeedDate(std::string_view text) {
    if (auto t = iso8601(text))
        return t;
    return rfc822(text);
}

} // namespace brisma::server
