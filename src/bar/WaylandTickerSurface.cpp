#include "bar/WaylandTickerSurface.h"

#include "bar/TickerArt.h"
#include "platform/wayland/LayerShellProtocol.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <limits>

namespace brisma {
namespace {

LayerSurface::Placement barPlacement() {
    LayerSurface::Placement placement;
    // The full width of the output, and its height kept free of other windows while shown.
    placement.anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                       ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
    placement.height = art::kBarHeight;
    placement.exclusiveZone = art::kBarHeight;
    placement.name = "brisma";
    return placement;
}

} // namespace

WaylandTickerSurface::WaylandTickerSurface(std::shared_ptr<WaylandLink> link, QWidget& view)
    : TickerSurface(link->outputScale()), view_(view), bar_(*view.window()),
      composed_(nullptr, link->outputScale()), layer_(std::move(link), bar_, barPlacement()) {
    layer_.paint = [this](QImage& buffer) { fill(buffer); };
    layer_.windowLeft = [this] { return offset(); };
    // The widgets right of the picture: the box movie.
    layer_.widgetArea = [this] {
        const int left = view_.width();
        return QRect(left, 0, bar_.width() - left, art::kBarHeight);
    };
}

void WaylandTickerSurface::resize(int width, int height, const QImage& tile, int tiles) {
    composed_.resize(width, height, tile, tiles);
}

void WaylandTickerSurface::store(int key, const QImage& image) {
    composed_.store(key, image);
}

void WaylandTickerSurface::clear() {
    composed_.clear();
}

void WaylandTickerSurface::copy(int key, int x, int y, int w, int h) {
    composed_.copy(key, x, y, w, h);
}

void WaylandTickerSurface::present(int w, int) {
    shown_ = w;
    layer_.update();
}

void WaylandTickerSurface::paint(QWidget&, const QPaintEvent&) {}

QPoint WaylandTickerSurface::pointerPos() const {
    if (!layer_.pointerInside())
        return {std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::min() / 2};
    return bar_.mapToGlobal(layer_.pointerPos()).toPoint();
}

bool WaylandTickerSurface::suits(double) const {
    // The output's scale, not the X server's, is what the surface draws at.
    return layer_.link().outputScale() == scale();
}

void WaylandTickerSurface::fill(QImage& buffer) const {
    const int s = scale();
    const int left = offset() * s;
    // Beyond the bar's left edge while it slides: nothing.
    const std::size_t blank = static_cast<std::size_t>(std::clamp(left, 0, buffer.width())) * 4u;
    for (int y = 0; y < buffer.height(); ++y)
        std::memset(buffer.scanLine(y), 0, blank);
    LayerSurface::blit(buffer, left, composed_.readBack(), shown_ * s);
    LayerSurface::blit(buffer, left + view_.width() * s, layer_.widgets(), layer_.widgets().width());
}

int WaylandTickerSurface::offset() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int x = bar_.x() - (screen ? screen->geometry().x() : 0);
    return std::clamp(x, 0, std::max(0, layer_.width()));
}

} // namespace brisma
