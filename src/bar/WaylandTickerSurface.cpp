#include "bar/WaylandTickerSurface.h"

#include "bar/LayerShellProtocol.h"
#include "bar/TickerArt.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <limits>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace brisma {
namespace {

constexpr int kHeight = art::kBarHeight;

Qt::MouseButton qtButton(uint32_t code) {
    switch (code) {
    case BTN_LEFT:
        return Qt::LeftButton;
    case BTN_RIGHT:
        return Qt::RightButton;
    case BTN_MIDDLE:
        return Qt::MiddleButton;
    default:
        return Qt::NoButton;
    }
}

// Copies `w` pixels of row `y` of `from`, from x = `sx`, to `to` at `dx`; clipped by both.
void copyRow(uchar* to, int toWidth, int dx, const QImage& from, int y, int sx, int w) {
    if (from.isNull() || y >= from.height())
        return;
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    w = std::min({w, toWidth - dx, from.width() - sx});
    if (w > 0 && sx >= 0)
        std::memcpy(to + static_cast<std::size_t>(dx) * 4u,
                    from.constScanLine(y) + static_cast<std::size_t>(sx) * 4u,
                    static_cast<std::size_t>(w) * 4u);
}

} // namespace

WaylandTickerSurface::WaylandTickerSurface(std::unique_ptr<WaylandLink> link, QWidget& view)
    : TickerSurface(link->outputScale()), link_(std::move(link)), cursor_(*link_), view_(view),
      bar_(*view.window()), composed_(nullptr, link_->outputScale()) {
    // The bar's own window stays off the screen; the surface shows it.
    bar_.setAttribute(Qt::WA_DontShowOnScreen);
    bar_.installEventFilter(this);
    link_->onPointer = [this](const WaylandLink::PointerEvent& event) { pointer(event); };
    watchBox();
    if (bar_.isVisible())
        map();
}

WaylandTickerSurface::~WaylandTickerSurface() {
    bar_.removeEventFilter(this);
    link_->onPointer = nullptr;
    unmap();
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
    draw();
    // Inside a slide the event loop does not turn: the compositor's answers are read here.
    if (dirty_ && link_->dispatch() && dirty_)
        draw();
}

void WaylandTickerSurface::paint(QWidget&, const QPaintEvent&) {}

QPoint WaylandTickerSurface::pointerPos() const {
    if (!inside_)
        return {std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::min() / 2};
    return bar_.mapToGlobal(position_).toPoint();
}

bool WaylandTickerSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &bar_) {
        if (event->type() == QEvent::Show)
            map();
        else if (event->type() == QEvent::Hide)
            unmap();
    }
    return false;
}

void WaylandTickerSurface::watchBox() {
    // A movie renders its scene off screen on the software scene graph; its picture is taken
    // once the frame is done.
    for (QQuickWidget* movie : bar_.findChildren<QQuickWidget*>(Qt::FindDirectChildrenOnly))
        QObject::connect(
            movie->quickWindow(), &QQuickWindow::afterRendering, this, [this] { renderBox(); },
            Qt::QueuedConnection);
}

void WaylandTickerSurface::renderBox() {
    const int left = view_.width();
    const QSize size(bar_.width() - left, kHeight);
    if (!bar_.isVisible() || size.width() <= 0)
        return;
    const int s = scale();
    if (box_.size() != size * s) {
        box_ = QImage(size * s, QImage::Format_RGB32);
        box_.setDevicePixelRatio(s);
    }
    box_.fill(Qt::black);
    bar_.render(&box_, QPoint(), QRegion(QRect(QPoint(left, 0), size)), QWidget::DrawChildren);
    draw();
}

void WaylandTickerSurface::map() {
    if (layer_)
        return;
    renderBox();
    surface_ = wl_compositor_create_surface(link_->compositor());
    layer_ = zwlr_layer_shell_v1_get_layer_surface(link_->layerShell(), surface_, link_->output(),
                                                   ZWLR_LAYER_SHELL_V1_LAYER_TOP, "brisma");
    static const zwlr_layer_surface_v1_listener listener = {
        [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t) {
            static_cast<WaylandTickerSurface*>(data)->configured(serial, width);
        },
        // The compositor will not show it again (its output went away): the next opening asks
        // for a new one.
        [](void* data, zwlr_layer_surface_v1*) { static_cast<WaylandTickerSurface*>(data)->unmap(); },
    };
    zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
    // The full width of the output, and its height kept free of other windows while shown.
    zwlr_layer_surface_v1_set_size(layer_, 0, kHeight);
    zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, kHeight);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(surface_);
    link_->flush();
}

void WaylandTickerSurface::unmap() {
    if (inside_) {
        inside_ = false;
        hover(nullptr);
    }
    if (frame_)
        wl_callback_destroy(frame_);
    frame_ = nullptr;
    if (layer_)
        zwlr_layer_surface_v1_destroy(layer_);
    layer_ = nullptr;
    if (surface_)
        wl_surface_destroy(surface_);
    surface_ = nullptr;
    configured_ = false;
    // The compositor may still hold the buffers it was shown with: new ones for the next map.
    releaseBuffers();
    link_->flush();
}

void WaylandTickerSurface::configured(uint32_t serial, uint32_t width) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    const int w = width > 0 ? static_cast<int>(width) : bar_.width();
    if (w != width_) {
        width_ = w;
        releaseBuffers();
    }
    configured_ = true;
    draw();
}

void WaylandTickerSurface::frameDone() {
    wl_callback_destroy(frame_);
    frame_ = nullptr;
    if (dirty_)
        draw();
}

void WaylandTickerSurface::allocate() {
    const int s = scale();
    const std::size_t stride = static_cast<std::size_t>(width_ * s) * 4u;
    const std::size_t size = stride * static_cast<std::size_t>(kHeight * s);
    for (Buffer& b : buffers_) {
        const int fd = ::memfd_create("brisma-bar", MFD_CLOEXEC);
        if (fd < 0)
            return;
        void* data = MAP_FAILED;
        if (::ftruncate(fd, static_cast<off_t>(size)) == 0)
            data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            ::close(fd);
            return;
        }
        wl_shm_pool* pool = wl_shm_create_pool(link_->shm(), fd, static_cast<int32_t>(size));
        b.buffer = wl_shm_pool_create_buffer(pool, 0, width_ * s, kHeight * s, static_cast<int32_t>(stride),
                                             WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        ::close(fd);
        b.data = static_cast<uchar*>(data);
        b.size = size;
        b.busy = false;
        static const wl_buffer_listener listener = {[](void* data, wl_buffer*) {
            auto* buffer = static_cast<Buffer*>(data);
            buffer->busy = false;
        }};
        wl_buffer_add_listener(b.buffer, &listener, &b);
    }
}

void WaylandTickerSurface::releaseBuffers() {
    for (Buffer& b : buffers_) {
        if (b.buffer)
            wl_buffer_destroy(b.buffer);
        if (b.data)
            ::munmap(b.data, b.size);
        b = {};
    }
}

void WaylandTickerSurface::draw() {
    if (!configured_ || frame_ || width_ <= 0) {
        dirty_ = true;
        return;
    }
    if (!buffers_[0].buffer)
        allocate();
    auto free =
        std::find_if(buffers_.begin(), buffers_.end(), [](const Buffer& b) { return b.buffer && !b.busy; });
    if (free == buffers_.end()) {
        // The compositor still reads both: the next frame draws.
        dirty_ = true;
        return;
    }
    dirty_ = false;
    const int s = scale();
    const int width = width_ * s;
    const int left = offset() * s;
    const QImage picture = composed_.readBack();
    const int shown = shown_ * s;
    const std::size_t stride = static_cast<std::size_t>(width) * 4u;
    for (int y = 0; y < kHeight * s; ++y) {
        uchar* row = free->data + stride * static_cast<std::size_t>(y);
        // Beyond the bar's left edge while it slides: nothing.
        std::memset(row, 0, std::min(stride, static_cast<std::size_t>(std::max(0, left)) * 4u));
        copyRow(row, width, left, picture, y, 0, shown);
        copyRow(row, width, left + view_.width() * s, box_, y, 0, box_.width());
    }
    wl_surface_attach(surface_, free->buffer, 0, 0);
    wl_surface_set_buffer_scale(surface_, s);
    wl_surface_damage_buffer(surface_, 0, 0, width, kHeight * s);
    frame_ = wl_surface_frame(surface_);
    static const wl_callback_listener listener = {
        [](void* data, wl_callback*, uint32_t) { static_cast<WaylandTickerSurface*>(data)->frameDone(); }};
    wl_callback_add_listener(frame_, &listener, this);
    wl_surface_commit(surface_);
    free->busy = true;
    link_->flush();
}

int WaylandTickerSurface::offset() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int x = bar_.x() - (screen ? screen->geometry().x() : 0);
    return std::clamp(x, 0, std::max(0, width_));
}

void WaylandTickerSurface::pointer(const WaylandLink::PointerEvent& event) {
    if (event.kind == WaylandLink::PointerEvent::Enter) {
        if (!surface_ || event.surface != surface_)
            return;
        inside_ = true;
        enterSerial_ = event.serial;
    } else if (!inside_) {
        return;
    }
    switch (event.kind) {
    case WaylandLink::PointerEvent::Enter:
    case WaylandLink::PointerEvent::Motion: {
        position_ = QPointF(event.x - offset(), event.y);
        QWidget* under = bar_.childAt(position_.toPoint());
        if (!grabbed_)
            hover(under ? under : &bar_);
        sendMouse(grabbed_ ? grabbed_.data() : hovered_.data(), QEvent::MouseMove, Qt::NoButton);
        break;
    }
    case WaylandLink::PointerEvent::Leave:
        inside_ = false;
        buttons_ = {};
        grabbed_ = nullptr;
        hover(nullptr);
        cursor_.forget();
        return;
    case WaylandLink::PointerEvent::Button: {
        const Qt::MouseButton button = qtButton(event.button);
        if (button == Qt::NoButton)
            return;
        QWidget* target = grabbed_ ? grabbed_.data() : hovered_.data();
        if (event.pressed) {
            buttons_ |= button;
            grabbed_ = target;
            sendMouse(target, QEvent::MouseButtonPress, button);
        } else {
            buttons_ &= ~button;
            if (!buttons_)
                grabbed_ = nullptr;
            sendMouse(target, QEvent::MouseButtonRelease, button);
        }
        break;
    }
    }
    // The widget under the pointer has set its cursor by now.
    if (QWidget* under = grabbed_ ? grabbed_.data() : hovered_.data(); under && inside_)
        cursor_.show(under->cursor(), enterSerial_, scale());
}

void WaylandTickerSurface::hover(QWidget* target) {
    if (hovered_ == target)
        return;
    if (hovered_) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(hovered_, &leave);
    }
    hovered_ = target;
    if (target) {
        const QPointF local = target->mapFrom(&bar_, position_);
        QEnterEvent enter(local, position_, bar_.mapToGlobal(position_));
        QCoreApplication::sendEvent(target, &enter);
    }
}

void WaylandTickerSurface::sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button) {
    if (!target)
        return;
    QMouseEvent event(type, target->mapFrom(&bar_, position_), position_, bar_.mapToGlobal(position_), button,
                      buttons_, QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(target, &event);
}

} // namespace brisma
