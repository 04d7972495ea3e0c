#include "bar/TickerRotation.h"

#include "bar/TickerLane.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaNewsList.h"

#include <algorithm>
#include <limits>

namespace brisma {

TickerRotation::TickerRotation(const ErrorReporter& errors, const ScriptValues& script, TickerLane& lane)
    : script_(script), lane_(lane), work_(errors) {}

void TickerRotation::next(clsBrismaNewsList& list, bool open) {
    work_.init();
    work_.strSortId.clear();
    // One pass over a list without any text lays in nothing.
    int skipped = 0;
    while (work_.strNewsText.empty()) {
        wrap(list);
        list.CopyTo(work_, position);
        if (work_.strNewsText.empty()) {
            ++position;
            if (++skipped >= std::max<int>(list.intMax, 1))
                return;
        } else {
            arrive(open);
        }
        wrap(list);
    }
}

void TickerRotation::arrive(bool open) {
    if (countForBanner < std::numeric_limits<int16_t>::max())
        ++countForBanner;
    if (!script_.TBId.empty() && countForBanner > 10) {
        // The fetched headline comes next time.
        countForBanner = 0;
        layBanner(open);
    } else if (lastClickChannel == "000") {
        lane_.lay(work_);
        ++position;
    } else if (lastClickChannel == "tbn") {
        ++position;
        lane_.lay(work_);
        lastClickChannel = "000";
    } else {
        // The fetched headline comes next time.
        layAdText();
        lastClickChannel = "000";
    }
}

void TickerRotation::layBanner(bool open) {
    work_.init();
    work_.strSortId.clear();
    work_.strID = script_.TBId;
    work_.strNewsText = script_.TBText;
    work_.strNewsUrl = script_.TBHref;
    work_.strNewsType = "tbn";
    work_.strViewURL = script_.TBView;
    lane_.lay(work_);
    if (open)
        lane_.reportBanner(work_);
}

void TickerRotation::layAdText() {
    // A mark that is no number is cleared like one without advertisement text.
    const clsBrismaNews* text = nullptr;
    onRunTimeError([&] { text = lane_.adText(conv::CInt(lastClickChannel)); },
                   [](long, const std::string&) {});
    if (text)
        lane_.lay(*text);
}

void TickerRotation::wrap(const clsBrismaNewsList& list) {
    if (position > list.intMax - 1)
        position = 0;
}

} // namespace brisma
