#pragma once

#include "platform/wayland/WaylandCursor.h"
#include "platform/wayland/WaylandLink.h"

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <array>
#include <functional>
#include <memory>

class QWidget;
struct wl_buffer;
struct wl_callback;
struct wl_surface;
struct zwlr_layer_surface_v1;

namespace brisma {

// A top-level widget shown on a layer-shell surface of the compositor's own, which places it as
// part of the desktop. The widget's window never reaches the screen: its showing and hiding map
// and unmap the surface, its picture is copied into shared-memory buffers at most once per frame
// the compositor asks for, and the pointer's events on the surface go to the widgets under it.
class LayerSurface : private QObject {
public:
    struct Placement {
        // Edges of the output the surface is anchored to (zwlr_layer_surface_v1 anchor bits).
        uint32_t anchor = 0;
        // Logical pixels; a width of 0 spans the output between the left and right anchors.
        int width = 0;
        int height = 0;
        // Logical pixels kept free of other windows while mapped; -1 places the surface without
        // regard to the room other surfaces keep.
        int exclusiveZone = 0;
        const char* name = "brisma";
    };

    LayerSurface(std::shared_ptr<WaylandLink> link, QWidget& window, const Placement& placement);
    ~LayerSurface() override;
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // Fills a buffer of the surface's device pixels. Unset: the widgets' picture fills it.
    std::function<void(QImage& buffer)> paint;
    // The window's left edge on the surface, in logical pixels (a bar sliding in). Unset: 0.
    std::function<int()> windowLeft;
    // The part of the window drawn into widgets() whenever one of its movies has drawn a frame.
    // Unset: the whole window.
    std::function<QRect()> widgetArea;

    // Sets the distance from the bottom edge of the output (logical pixels), for the next mapping.
    void setBottomMargin(int margin) { bottomMargin_ = margin; }
    // Draws at the first frame the compositor can show, reading its answers if it has not yet.
    void update();

    // Copies `width` columns of the 32-bit image `from` into the buffer from column `x` (device
    // pixels), clipped by both.
    static void blit(QImage& buffer, int x, const QImage& from, int width);

    WaylandLink& link() const { return *link_; }
    int scale() const { return scale_; }
    // The configured width in logical pixels (0 before the compositor has said).
    int width() const { return width_; }
    // The window's picture in widgetArea(), at the surface's scale.
    const QImage& widgets() const { return widgets_; }
    // True while the pointer is over the surface; its position in window pixels.
    bool pointerInside() const { return inside_; }
    QPointF pointerPos() const { return position_; }

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
    void configured(uint32_t serial, uint32_t width, uint32_t height);
    void frameDone();
    // Fills a free buffer and commits it, when the compositor can show it.
    void draw();
    void allocate();
    void releaseBuffers();
    void renderWidgets();
    int left() const { return windowLeft ? windowLeft() : 0; }
    void pointer(const WaylandLink::PointerEvent& event);
    void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button);
    void hover(QWidget* target);

    std::shared_ptr<WaylandLink> link_;
    WaylandCursor cursor_;
    QWidget& window_;
    const Placement placement_;
    const int scale_;
    int bottomMargin_ = 0;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wl_callback* frame_ = nullptr;
    bool configured_ = false;
    bool dirty_ = false;
    int width_ = 0;
    int height_ = 0;
    std::array<Buffer, 2> buffers_{};
    QImage widgets_;
    // Pointer state on the surface: buttons held, the widget under it and the one a press grabbed.
    bool inside_ = false;
    uint32_t enterSerial_ = 0;
    QPointF position_;
    Qt::MouseButtons buttons_;
    QPointer<QWidget> hovered_;
    QPointer<QWidget> grabbed_;
};

} // namespace brisma
