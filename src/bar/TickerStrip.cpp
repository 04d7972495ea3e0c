#include "bar/TickerStrip.h"

#include <limits>

namespace brisma {

void TickerStrip::reset(int16_t n) {
    const auto count = static_cast<std::size_t>(n);
    udtSlotNews.assign(count, clsBrismaNews(*errors_));
    intSlotWidth.assign(count, 0);
    intSlotX.assign(count, 0);
    textKey.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        textKey[i] = kFirstTextKey + static_cast<int>(i);
    renderedColour.assign(count, 0);
}

void TickerStrip::shift() {
    const int n = size();
    if (n == 0)
        return;
    const int freedKey = textKey[static_cast<std::size_t>(n - 1)];
    for (int i = 0; i <= n - 2; ++i) {
        const auto j = static_cast<std::size_t>(n - 2 - i);
        udtSlotNews[j].CopyTo(udtSlotNews[j + 1]);
        intSlotWidth[j + 1] = intSlotWidth[j];
        intSlotX[j + 1] = intSlotX[j];
        textKey[j + 1] = textKey[j];
        renderedColour[j + 1] = renderedColour[j];
    }
    textKey[0] = freedKey;
    renderedColour[0] = 0;
}

void TickerStrip::move() {
    for (auto& x : intSlotX)
        if (x > std::numeric_limits<int16_t>::min())
            --x;
}

int16_t TickerStrip::finished() const {
    for (int16_t i = 0; i < size(); ++i)
        if (intSlotX[static_cast<std::size_t>(i)] + intSlotWidth[static_cast<std::size_t>(i)] < 0)
            return i;
    return -1;
}

int16_t TickerStrip::hit(int16_t x) const {
    for (int16_t i = 0; i < size(); ++i) {
        const int left = intSlotX[static_cast<std::size_t>(i)];
        if (left < x && x < left + intSlotWidth[static_cast<std::size_t>(i)])
            return i;
    }
    return -1;
}

} // namespace brisma
