#pragma once

#include <cstdint>

namespace brisma {

class clsBrismaNews;

// What the rotation needs from the bar: the channels' advertisement texts and the strip its
// arrivals enter.
class TickerLane {
public:
    // The advertisement text of channel `channel`; none when the channel has none or is not
    // registered.
    virtual const clsBrismaNews* adText(int16_t channel) = 0;
    // `news` enters the strip at its right end.
    virtual void lay(const clsBrismaNews& news) = 0;
    // A bar banner entered the strip of the open bar: its view is reported.
    virtual void reportBanner(const clsBrismaNews& banner) = 0;

protected:
    ~TickerLane() = default;
};

} // namespace brisma
