#include "bar/TickerRules.h"

#include "bar/TickerStrip.h"
#include "common/Conversions.h"

#include <cmath>

namespace brisma::ticker {

int16_t slotCountForWidth(int width) {
    switch (width) {
    case 320:
        return 3;
    case 640:
    case 800:
    case 1024:
        return 4;
    case 1152:
    case 1280:
        return 5;
    case 1365:
    case 1400:
        return 6;
    case 1600:
        return 7;
    case 2048:
        return 8;
    default:
        return TickerStrip::kMostSlots;
    }
}

int tileCount(int width) {
    return static_cast<int>(std::nearbyint(static_cast<double>(width) / 32.0 - 1.0)) + 1;
}

QRgb textColour(bool clicked, bool hovered) {
    if (hovered)
        return qRgb(255, 250, 174);
    return clicked ? qRgb(156, 144, 174) : qRgb(255, 255, 255);
}

std::string escapeForJump(const std::string& url) {
    std::string out = url;
    // "%" first, so that the jump movie's decoding gives the address back as it was written.
    for (const auto& [from, to] :
         {std::pair{'%', "%25"}, {':', "%3A"}, {'&', "%26"}, {'.', "%2E"}, {'/', "%2F"}}) {
        std::string next;
        next.reserve(out.size());
        for (const char c : out)
            if (c == from)
                next += to;
            else
                next += c;
        out.swap(next);
    }
    return out;
}

std::string nextClickMark(const std::string& strID, const std::string& strLastClickChannel) {
    const std::string c = conv::Left(strID, 3);
    return c != strLastClickChannel ? c : "000";
}

} // namespace brisma::ticker
