#include "bar/XcbTickerSurface.h"

#include <QPaintEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace brisma {

XcbTickerSurface::XcbTickerSurface(xcb_connection_t* connection, xcb_window_t window, int scale)
    : TickerSurface(scale), c_(connection), window_(window) {
    if (xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window_), nullptr)) {
        depth_ = geometry->depth;
        std::free(geometry);
    }
    gc_ = xcb_generate_id(c_);
    // No exposure events for copies: every tick would otherwise wake the client once more.
    const uint32_t noExposures = 0;
    xcb_create_gc(c_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

XcbTickerSurface::~XcbTickerSurface() {
    for (Picture& image : images_)
        release(image);
    release(background_);
    release(picture_);
    xcb_free_gc(c_, gc_);
    xcb_flush(c_);
}

bool XcbTickerSurface::takesImagesAsTheyAre() const {
    const xcb_setup_t* setup = xcb_get_setup(c_);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (depth_ != 24 && depth_ != 32))
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth_)
            return it.data->bits_per_pixel == 32;
    return false;
}

void XcbTickerSurface::release(Picture& picture) {
    if (picture.pixmap != XCB_NONE)
        xcb_free_pixmap(c_, picture.pixmap);
    picture = {};
}

XcbTickerSurface::Picture XcbTickerSurface::upload(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    Picture picture{xcb_generate_id(c_), image.width(), image.height()};
    xcb_create_pixmap(c_, depth_, picture.pixmap, window_, static_cast<uint16_t>(picture.width),
                      static_cast<uint16_t>(picture.height));
    // In bands that fit one request.
    const std::size_t maxBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c_)) * 4u - 64u;
    const auto stride = static_cast<std::size_t>(image.bytesPerLine());
    const int rowsPerBand = std::max(1, static_cast<int>(maxBytes / stride));
    for (int top = 0; top < image.height(); top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, image.height() - top);
        xcb_put_image(
            c_, XCB_IMAGE_FORMAT_Z_PIXMAP, picture.pixmap, gc_, static_cast<uint16_t>(image.width()),
            static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), 0, depth_,
            static_cast<uint32_t>(stride * static_cast<std::size_t>(rows)), image.constScanLine(top));
    }
    return picture;
}

void XcbTickerSurface::resize(int width, int height, const QImage& tile, int tiles) {
    const int s = scale();
    QImage background(width * s, height * s, QImage::Format_RGB32);
    background.fill(Qt::black);
    const QImage t = tile.convertToFormat(QImage::Format_RGB32);
    for (int i = 0; i < tiles; ++i)
        for (int y = 0; y < std::min(t.height(), background.height()); ++y) {
            const int x = i * t.width();
            const int w = std::min(t.width(), background.width() - x);
            if (w > 0)
                std::memcpy(background.scanLine(y) + static_cast<std::ptrdiff_t>(x) * 4, t.constScanLine(y),
                            static_cast<std::size_t>(w) * 4u);
        }
    release(background_);
    release(picture_);
    background_ = upload(background);
    picture_ = upload(background);
}

void XcbTickerSurface::store(int key, const QImage& image) {
    if (static_cast<std::size_t>(key) >= images_.size())
        images_.resize(static_cast<std::size_t>(key) + 1);
    Picture& slot = images_[static_cast<std::size_t>(key)];
    release(slot);
    if (!image.isNull())
        slot = upload(image);
}

void XcbTickerSurface::clear() {
    xcb_copy_area(c_, background_.pixmap, picture_.pixmap, gc_, 0, 0, 0, 0,
                  static_cast<uint16_t>(picture_.width), static_cast<uint16_t>(picture_.height));
}

void XcbTickerSurface::copy(int key, int x, int y, int w, int h) {
    if (key < 0 || static_cast<std::size_t>(key) >= images_.size())
        return;
    const Picture& image = images_[static_cast<std::size_t>(key)];
    if (image.pixmap == XCB_NONE)
        return;
    const int s = scale();
    const int dx = x * s;
    const int dy = y * s;
    // Clipped here to the picture, so every coordinate fits the protocol's 16 bits.
    const int sx = std::max(0, -dx);
    const int sy = std::max(0, -dy);
    const int cw = std::min({w * s, image.width, picture_.width - dx}) - sx;
    const int ch = std::min({h * s, image.height, picture_.height - dy}) - sy;
    if (cw <= 0 || ch <= 0)
        return;
    xcb_copy_area(c_, image.pixmap, picture_.pixmap, gc_, static_cast<int16_t>(sx), static_cast<int16_t>(sy),
                  static_cast<int16_t>(dx + sx), static_cast<int16_t>(dy + sy), static_cast<uint16_t>(cw),
                  static_cast<uint16_t>(ch));
}

void XcbTickerSurface::present(int w, int h) {
    const int s = scale();
    xcb_copy_area(c_, picture_.pixmap, window_, gc_, 0, 0, 0, 0,
                  static_cast<uint16_t>(std::clamp(w * s, 0, picture_.width)),
                  static_cast<uint16_t>(std::clamp(h * s, 0, picture_.height)));
    xcb_flush(c_);
}

void XcbTickerSurface::paint(QWidget&, const QPaintEvent& event) {
    const int s = scale();
    const QRect area = event.rect();
    const int x = std::clamp(area.x() * s, 0, picture_.width);
    const int y = std::clamp(area.y() * s, 0, picture_.height);
    xcb_copy_area(c_, picture_.pixmap, window_, gc_, static_cast<int16_t>(x), static_cast<int16_t>(y),
                  static_cast<int16_t>(x), static_cast<int16_t>(y),
                  static_cast<uint16_t>(std::min(area.width() * s, picture_.width - x)),
                  static_cast<uint16_t>(std::min(area.height() * s, picture_.height - y)));
    xcb_flush(c_);
}

QImage XcbTickerSurface::readBack() const {
    QImage image(picture_.width, picture_.height, QImage::Format_RGB32);
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c_,
        xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, picture_.pixmap, 0, 0,
                      static_cast<uint16_t>(picture_.width), static_cast<uint16_t>(picture_.height), ~0u),
        nullptr);
    if (!reply)
        return {};
    const uint8_t* data = xcb_get_image_data(reply);
    const auto length = static_cast<std::size_t>(xcb_get_image_data_length(reply));
    const std::size_t stride = length / static_cast<std::size_t>(std::max(1, picture_.height));
    for (int y = 0; y < picture_.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        std::memcpy(row, data + stride * static_cast<std::size_t>(y),
                    std::min(stride, static_cast<std::size_t>(image.bytesPerLine())));
        // Depth 24 leaves the top byte undefined.
        for (int x = 0; x < picture_.width; ++x)
            row[x] |= 0xff000000u;
    }
    std::free(reply);
    image.setDevicePixelRatio(scale());
    return image;
}

} // namespace brisma
