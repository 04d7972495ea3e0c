#pragma once

#include "bar/TickerSurface.h"

#include <vector>
#include <xcb/xcb.h>

namespace brisma {

// The picture as a pixmap in the X server: every stored image is uploaded once into a pixmap of
// its own, a composition is a handful of server-side copies and showing it one more copy onto
// the window, flushed once.
class XcbTickerSurface : public TickerSurface {
public:
    XcbTickerSurface(xcb_connection_t* connection, xcb_window_t window, int scale);
    ~XcbTickerSurface() override;
    XcbTickerSurface(const XcbTickerSurface&) = delete;
    XcbTickerSurface& operator=(const XcbTickerSurface&) = delete;

    void resize(int width, int height, const QImage& tile, int tiles) override;
    void store(int key, const QImage& image) override;
    void clear() override;
    void copy(int key, int x, int y, int w, int h) override;
    void present(int w, int h) override;
    void paint(QWidget& window, const QPaintEvent& event) override;
    QImage readBack() const override;
    bool paintsOnScreen() const override { return true; }

    // True when the server takes our images as they are in memory: 32 bits a pixel, least
    // significant byte first, at the window's depth.
    bool takesImagesAsTheyAre() const;

private:
    struct Picture {
        xcb_pixmap_t pixmap = XCB_NONE;
        int width = 0;
        int height = 0;
    };

    Picture upload(const QImage& image);
    void release(Picture& picture);

    xcb_connection_t* c_;
    xcb_window_t window_;
    uint8_t depth_ = 24;
    xcb_gcontext_t gc_ = XCB_NONE;
    Picture background_;
    Picture picture_;
    std::vector<Picture> images_;
};

} // namespace brisma
