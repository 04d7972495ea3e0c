#include "bar/TickerSurface.h"

#include "bar/ImageTickerSurface.h"

#include <QWidget>
#include <cmath>

namespace brisma {

std::unique_ptr<TickerSurface> makeTickerSurface(QWidget& window) {
    const int scale = std::max(1, static_cast<int>(std::ceil(window.devicePixelRatioF())));
    return std::make_unique<ImageTickerSurface>(&window, scale);
}

} // namespace brisma
