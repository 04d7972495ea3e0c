#pragma once

#include "news/clsBrismaNews.h"

#include <cstdint>
#include <string>

namespace brisma {

class clsBrismaNewsList;
class ErrorReporter;
struct ScriptValues;
class TickerLane;

// Which record enters the strip next: the merged list's headlines in turn, the script's bar
// banner every eleventh arrival, and after a click on a headline its channel's advertisement
// text.
class TickerRotation {
public:
    TickerRotation(const ErrorReporter& errors, const ScriptValues& script, TickerLane& lane);

    // Index in the list of the next headline.
    int16_t position = 0;
    // Arrivals since the last banner; from 10 the next arrival is a banner.
    int16_t countForBanner = 10;
    // Channel mark of the last click, "000" when none.
    std::string lastClickChannel = "000";

    // Lays in the next arrival from `list`, and the headline fetched too when the banner has no
    // text. A list without any text lays in nothing. Banners are reported only while `open`.
    void next(clsBrismaNewsList& list, bool open);

private:
    // The fetched headline, which has text, or what arrives in its place.
    void arrive(bool open);
    void layBanner(bool open);
    // The clicked channel's advertisement text, if the mark names a channel that has one.
    void layAdText();
    void wrap(const clsBrismaNewsList& list);

    const ScriptValues& script_;
    TickerLane& lane_;
    // The record each step fills; its strings keep their capacity.
    clsBrismaNews work_;
};

} // namespace brisma
