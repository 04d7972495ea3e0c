#pragma once

#include "bar/ImageTickerSurface.h"
#include "bar/TickerSurface.h"
#include "bar/WaylandCursor.h"
#include "bar/WaylandLink.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <array>

struct wl_buffer;
struct wl_callback;
struct wl_surface;
struct zwlr_layer_surface_v1;

namespace brisma {

// The picture on a layer-shell surface of the compositor's own, along the bottom of the output:
// composed in memory, copied into a shared-memory buffer at most once per frame the compositor
// asks for. The bar's top-level window is never shown on screen: its showing and hiding map and
// unmap the surface, its position gives the slide, and the pointer's events on the surface go
// to the bar's widgets under it.
class WaylandTickerSurface : public TickerSurface, private QObject {
public:
    // `view` is the widget that shows the picture; its top-level is the bar.
    WaylandTickerSurface(std::unique_ptr<WaylandLink> link, QWidget& view);
    ~WaylandTickerSurface() override;
    WaylandTickerSurface(const WaylandTickerSurface&) = delete;
    WaylandTickerSurface& operator=(const WaylandTickerSurface&) = delete;

    void resize(int width, int height, const QImage& tile, int tiles) override;
    void store(int key, const QImage& image) override;
    void clear() override;
    void copy(int key, int x, int y, int w, int h) override;
    void present(int w, int h) override;
    void paint(QWidget& window, const QPaintEvent& event) override;
    QImage readBack() const override { return composed_.readBack(); }
    bool paintsOnScreen() const override { return true; }
    QPoint pointerPos() const override;

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        uchar* data = nullptr;
        std::size_t size = 0;
        bool busy = false;
    };

    bool eventFilter(QObject* watched, QEvent* event) override;
    void map();
    void unmap();
    void configured(uint32_t serial, uint32_t width);
    void frameDone();
    // Copies the picture, at the slide's offset, and the widgets right of it into a free buffer
    // and commits it, when the compositor can show it.
    void draw();
    void allocate();
    void releaseBuffers();
    // The widgets right of the picture (the box movie), drawn off screen when they change.
    void watchBox();
    void renderBox();
    void pointer(const WaylandLink::PointerEvent& event);
    void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button);
    void hover(QWidget* target);
    // Left edge of the bar on its output, in logical pixels, while it slides.
    int offset() const;

    std::unique_ptr<WaylandLink> link_;
    WaylandCursor cursor_;
    QWidget& view_;
    QWidget& bar_;
    ImageTickerSurface composed_;
    int shown_ = 0;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wl_callback* frame_ = nullptr;
    bool configured_ = false;
    bool dirty_ = false;
    int width_ = 0;
    std::array<Buffer, 2> buffers_{};
    QImage box_;
    // Pointer state on the surface: position in bar pixels, buttons held, the widget under it
    // and the one a press grabbed.
    bool inside_ = false;
    uint32_t enterSerial_ = 0;
    QPointF position_;
    Qt::MouseButtons buttons_;
    QPointer<QWidget> hovered_;
    QPointer<QWidget> grabbed_;
};

} // namespace brisma
