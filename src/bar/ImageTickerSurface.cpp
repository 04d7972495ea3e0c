#include "bar/ImageTickerSurface.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstring>

namespace brisma {
namespace {

// Copies w x h device pixels of `from` at (sx, sy) to `to` at (dx, dy), clipped by both images.
// Plain row copies: no painter, no allocation.
void blit(QImage& to, int dx, int dy, const QImage& from, int sx, int sy, int w, int h) {
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, to.width() - dx, from.width() - sx});
    h = std::min({h, to.height() - dy, from.height() - sy});
    if (w <= 0 || h <= 0 || sx < 0 || sy < 0)
        return;
    const auto bytes = static_cast<std::size_t>(w) * 4u;
    const uchar* src = from.constScanLine(sy) + static_cast<std::size_t>(sx) * 4u;
    uchar* dst = to.scanLine(dy) + static_cast<std::size_t>(dx) * 4u;
    for (int row = 0; row < h; ++row) {
        std::memcpy(dst, src, bytes);
        src += from.bytesPerLine();
        dst += to.bytesPerLine();
    }
}

} // namespace

ImageTickerSurface::ImageTickerSurface(QWidget* window, int scale) : TickerSurface(scale), window_(window) {}

void ImageTickerSurface::resize(int width, int height, const QImage& tile, int tiles) {
    const int s = scale();
    background_ = QImage(width * s, height * s, QImage::Format_RGB32);
    background_.fill(Qt::black);
    const QImage t = tile.convertToFormat(QImage::Format_RGB32);
    for (int i = 0; i < tiles; ++i)
        blit(background_, i * t.width(), 0, t, 0, 0, t.width(), t.height());
    picture_ = background_.copy();
    picture_.setDevicePixelRatio(s);
}

void ImageTickerSurface::store(int key, const QImage& image) {
    if (static_cast<std::size_t>(key) >= images_.size())
        images_.resize(static_cast<std::size_t>(key) + 1);
    images_[static_cast<std::size_t>(key)] =
        image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

void ImageTickerSurface::clear() {
    // Same size and format: one block copy into the picture's own buffer.
    if (picture_.sizeInBytes() == background_.sizeInBytes())
        std::memcpy(picture_.bits(), background_.constBits(),
                    static_cast<std::size_t>(picture_.sizeInBytes()));
}

void ImageTickerSurface::copy(int key, int x, int y, int w, int h) {
    if (key < 0 || static_cast<std::size_t>(key) >= images_.size())
        return;
    const QImage& image = images_[static_cast<std::size_t>(key)];
    if (image.isNull())
        return;
    const int s = scale();
    blit(picture_, x * s, y * s, image, 0, 0, w * s, h * s);
}

void ImageTickerSurface::present(int w, int h) {
    if (window_)
        window_->repaint(0, 0, w, h);
}

void ImageTickerSurface::paint(QWidget& window, const QPaintEvent& event) {
    QPainter p(&window);
    const QRect area = event.rect();
    const int s = scale();
    p.drawImage(area, picture_, QRect(area.topLeft() * s, area.size() * s));
}

} // namespace brisma
