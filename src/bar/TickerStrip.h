#pragma once

#include "news/clsBrismaNews.h"

#include <QRgb>
#include <cstdint>
#include <vector>

namespace brisma {

class ErrorReporter;

// The slots of the headline strip: slot 0 holds the newest headline and lies furthest right,
// slot N - 1 the oldest. Each slot also names the stored picture of its rendered text and the
// colour it was rendered in, so a text is rendered once and again only when its colour changes.
struct TickerStrip {
    explicit TickerStrip(const ErrorReporter& errors) : errors_(&errors) {}

    // Headlines apart, between the end of one text and the start of the next.
    static constexpr int16_t kGap = 60;
    // Slot geometry is 16-bit: a text wider than this is cut, so that a full strip of the most
    // slots there are, laid in one after the other, still fits.
    static constexpr int16_t kMaxWidth = 3500;
    static constexpr int kMostSlots = 10;
    static_assert(kGap + (kMostSlots - 1) * (kMaxWidth + kGap) <= INT16_MAX);
    // Stored-picture keys of the slot texts begin here; below are the icons and the banner.
    static constexpr int kFirstTextKey = 16;

    std::vector<clsBrismaNews> udtSlotNews;
    std::vector<int16_t> intSlotWidth;
    std::vector<int16_t> intSlotX;
    std::vector<int> textKey;
    // 0: nothing rendered for the slot yet.
    std::vector<QRgb> renderedColour;

    int16_t size() const { return static_cast<int16_t>(intSlotX.size()); }
    // n empty slots: widths and x 0, new empty records, nothing rendered.
    void reset(int16_t n);
    // Every slot one place toward the end, from the end; the last slot's content is lost and
    // its picture is reused by slot 0.
    void shift();
    // Every slot one pixel to the left; one long gone stops at the end of the range, never wraps.
    void move();
    // The first slot whose right edge lies left of the bar, or -1.
    int16_t finished() const;
    // The first slot whose text strictly contains x, or -1.
    int16_t hit(int16_t x) const;

private:
    const ErrorReporter* errors_;
};

} // namespace brisma
