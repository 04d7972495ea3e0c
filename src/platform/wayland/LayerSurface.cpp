#include "platform/wayland/LayerSurface.h"

#include "platform/wayland/LayerShellProtocol.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace brisma {
namespace {

// The longest a surface drawn on every tick of a timer leaves the compositor's answers (frames
// done, buffers released, the pointer) unread: a wake-up of their own for each would cost
// twice the tick's.
constexpr int kReadWithinMs = 40;

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

} // namespace

void LayerSurface::blit(QImage& buffer, int x, const QImage& from, int width) {
    int sx = 0;
    if (x < 0) {
        sx = -x;
        width += x;
        x = 0;
    }
    width = std::min({width, buffer.width() - x, from.width() - sx});
    if (width <= 0 || from.isNull())
        return;
    const int rows = std::min(buffer.height(), from.height());
    for (int y = 0; y < rows; ++y)
        std::memcpy(buffer.scanLine(y) + static_cast<std::size_t>(x) * 4u,
                    from.constScanLine(y) + static_cast<std::size_t>(sx) * 4u,
                    static_cast<std::size_t>(width) * 4u);
}

LayerSurface::LayerSurface(std::shared_ptr<WaylandLink> link, QWidget& window, const Placement& placement)
    : link_(std::move(link)), cursor_(*link_), window_(window), placement_(placement),
      scale_(link_->outputScale()) {
    window_.setAttribute(Qt::WA_DontShowOnScreen);
    window_.installEventFilter(this);
    // A movie renders its scene off screen on the software scene graph; its picture is taken
    // once the frame is done, and again when it is hidden (a movie that did not load).
    for (QQuickWidget* movie : window_.findChildren<QQuickWidget*>()) {
        QObject::connect(
            movie->quickWindow(), &QQuickWindow::afterRendering, this, [this] { renderWidgets(); },
            Qt::QueuedConnection);
        movie->installEventFilter(this);
    }
    if (window_.isVisible())
        map();
}

LayerSurface::~LayerSurface() {
    window_.removeEventFilter(this);
    for (QQuickWidget* movie : window_.findChildren<QQuickWidget*>())
        movie->removeEventFilter(this);
    unmap();
}

bool LayerSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_) {
        if (event->type() == QEvent::Show)
            map();
        else if (event->type() == QEvent::Hide)
            unmap();
    } else if (event->type() == QEvent::Hide) {
        renderWidgets();
    }
    return false;
}

void LayerSurface::renderWidgets() {
    const QRect area = widgetArea ? widgetArea() : window_.rect();
    if (!window_.isVisible() || area.isEmpty())
        return;
    if (widgets_.size() != area.size() * scale_) {
        widgets_ = QImage(area.size() * scale_, QImage::Format_RGB32);
        widgets_.setDevicePixelRatio(scale_);
    }
    widgets_.fill(Qt::black);
    window_.render(&widgets_, QPoint(), QRegion(area), QWidget::DrawChildren);
    update();
}

void LayerSurface::map() {
    if (layer_)
        return;
    renderWidgets();
    surface_ = wl_compositor_create_surface(link_->compositor());
    layer_ = zwlr_layer_shell_v1_get_layer_surface(link_->layerShell(), surface_, link_->output(),
                                                   ZWLR_LAYER_SHELL_V1_LAYER_TOP, placement_.name);
    static const zwlr_layer_surface_v1_listener listener = {
        [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
            static_cast<LayerSurface*>(data)->configured(serial, width, height);
        },
        // The compositor will not show it again (its output went away): the next showing asks
        // for a new one.
        [](void* data, zwlr_layer_surface_v1*) { static_cast<LayerSurface*>(data)->unmap(); },
    };
    zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
    zwlr_layer_surface_v1_set_size(layer_, static_cast<uint32_t>(placement_.width),
                                   static_cast<uint32_t>(placement_.height));
    zwlr_layer_surface_v1_set_anchor(layer_, placement_.anchor);
    zwlr_layer_surface_v1_set_margin(layer_, 0, 0, bottomMargin_, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, placement_.exclusiveZone);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    link_->listen(surface_, [this](const WaylandLink::PointerEvent& event) { pointer(event); });
    wl_surface_commit(surface_);
    link_->flush();
}

void LayerSurface::unmap() {
    if (inside_) {
        inside_ = false;
        hover(nullptr);
    }
    if (surface_)
        link_->ignore(surface_);
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

void LayerSurface::configured(uint32_t serial, uint32_t width, uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    const int w = width > 0 ? static_cast<int>(width) : window_.width();
    const int h = height > 0 ? static_cast<int>(height) : placement_.height;
    if (w != width_ || h != height_) {
        width_ = w;
        height_ = h;
        releaseBuffers();
    }
    configured_ = true;
    draw();
}

void LayerSurface::frameDone() {
    wl_callback_destroy(frame_);
    frame_ = nullptr;
    if (dirty_)
        draw();
}

void LayerSurface::allocate() {
    const std::size_t stride = static_cast<std::size_t>(width_ * scale_) * 4u;
    const std::size_t size = stride * static_cast<std::size_t>(height_ * scale_);
    for (Buffer& b : buffers_) {
        const int fd = ::memfd_create(placement_.name, MFD_CLOEXEC);
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
        b.buffer = wl_shm_pool_create_buffer(pool, 0, width_ * scale_, height_ * scale_,
                                             static_cast<int32_t>(stride), WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        ::close(fd);
        b.data = static_cast<uchar*>(data);
        b.size = size;
        b.busy = false;
        static const wl_buffer_listener listener = {
            [](void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }};
        wl_buffer_add_listener(b.buffer, &listener, &b);
    }
}

void LayerSurface::releaseBuffers() {
    for (Buffer& b : buffers_) {
        if (b.buffer)
            wl_buffer_destroy(b.buffer);
        if (b.data)
            ::munmap(b.data, b.size);
        b = {};
    }
}

void LayerSurface::update() {
    draw();
    link_->readWithin(kReadWithinMs);
    // Inside a slide the event loop does not turn: the compositor's answers are read here.
    if (dirty_ && link_->dispatch() && dirty_)
        draw();
}

void LayerSurface::draw() {
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
    const int width = width_ * scale_;
    const int height = height_ * scale_;
    QImage buffer(free->data, width, height, static_cast<qsizetype>(width) * 4,
                  QImage::Format_ARGB32_Premultiplied);
    if (paint) {
        paint(buffer);
    } else {
        buffer.fill(Qt::black);
        blit(buffer, left() * scale_, widgets_, widgets_.width());
    }
    wl_surface_attach(surface_, free->buffer, 0, 0);
    wl_surface_set_buffer_scale(surface_, scale_);
    wl_surface_damage_buffer(surface_, 0, 0, width, height);
    frame_ = wl_surface_frame(surface_);
    static const wl_callback_listener listener = {
        [](void* data, wl_callback*, uint32_t) { static_cast<LayerSurface*>(data)->frameDone(); }};
    wl_callback_add_listener(frame_, &listener, this);
    wl_surface_commit(surface_);
    free->busy = true;
    link_->flush();
}

void LayerSurface::pointer(const WaylandLink::PointerEvent& event) {
    if (event.kind == WaylandLink::PointerEvent::Enter) {
        inside_ = true;
        enterSerial_ = event.serial;
    } else if (!inside_) {
        return;
    }
    switch (event.kind) {
    case WaylandLink::PointerEvent::Enter:
    case WaylandLink::PointerEvent::Motion: {
        position_ = QPointF(event.x - left(), event.y);
        QWidget* under = window_.childAt(position_.toPoint());
        if (!grabbed_)
            hover(under ? under : &window_);
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
        cursor_.show(under->cursor(), enterSerial_, scale_);
}

void LayerSurface::hover(QWidget* target) {
    if (hovered_ == target)
        return;
    if (hovered_) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(hovered_, &leave);
    }
    hovered_ = target;
    if (target) {
        const QPointF local = target->mapFrom(&window_, position_);
        QEnterEvent enter(local, position_, window_.mapToGlobal(position_));
        QCoreApplication::sendEvent(target, &enter);
    }
}

void LayerSurface::sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button) {
    if (!target)
        return;
    QMouseEvent event(type, target->mapFrom(&window_, position_), position_, window_.mapToGlobal(position_),
                      button, buttons_, QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(target, &event);
}

} // namespace brisma
