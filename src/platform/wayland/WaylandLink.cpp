#include "platform/wayland/WaylandLink.h"

#include "platform/wayland/LayerShellProtocol.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace brisma {
namespace {

// The newest versions whose events we handle.
constexpr uint32_t kCompositorVersion = 4;
constexpr uint32_t kLayerShellVersion = 4;
constexpr uint32_t kSeatVersion = 5;
constexpr uint32_t kOutputVersion = 4;

template <typename T>
T* bindGlobal(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
              uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

} // namespace

std::shared_ptr<WaylandLink> WaylandLink::desktop() {
    static std::weak_ptr<WaylandLink> shared;
    if (auto link = shared.lock())
        return link;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const QString platform = QGuiApplication::platformName();
    if (!display || !*display ||
        (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland"))))
        return nullptr;
    const QScreen* primary = QGuiApplication::primaryScreen();
    std::shared_ptr<WaylandLink> link = connect(primary ? primary->name().toStdString() : std::string());
    shared = link;
    return link;
}

std::unique_ptr<WaylandLink> WaylandLink::connect(const std::string& outputName) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandLink> link(new WaylandLink);
    link->display_ = display;
    link->registry_ = wl_display_get_registry(display);
    static const wl_registry_listener registryListener = {
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
            static_cast<WaylandLink*>(data)->bind(registry, name, interface, version);
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(link->registry_, &registryListener, link.get());
    // The globals, then what the bound ones tell at once (output names and scales, the seat's
    // devices).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
        return nullptr;
    if (!link->compositor_ || !link->shm_ || !link->layerShell_ || link->outputs_.empty())
        return nullptr;
    for (std::size_t i = 0; i < link->outputs_.size(); ++i)
        if (!outputName.empty() && link->outputs_[i]->name == outputName)
            link->chosen_ = i;

    link->notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    WaylandLink* self = link.get();
    QObject::connect(link->notifier_.get(), &QSocketNotifier::activated, link->notifier_.get(),
                     [self] { self->dispatch(); });
    link->quiet_ = std::make_unique<QTimer>();
    link->quiet_->setSingleShot(true);
    QObject::connect(link->quiet_.get(), &QTimer::timeout, link->quiet_.get(), [self] {
        if (self->dispatch())
            self->notifier_->setEnabled(true);
    });
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance())
        QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, link->notifier_.get(),
                         [self] { self->flush(); });
    return link;
}

WaylandLink::~WaylandLink() {
    quiet_.reset();
    notifier_.reset();
    if (pointer_)
        wl_pointer_destroy(pointer_);
    if (seat_)
        wl_seat_destroy(seat_);
    for (const auto& output : outputs_)
        wl_output_destroy(output->output);
    if (layerShell_)
        zwlr_layer_shell_v1_destroy(layerShell_);
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandLink::bind(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && version >= kCompositorVersion) {
        compositor_ =
            bindGlobal<wl_compositor>(registry, name, &wl_compositor_interface, version, kCompositorVersion);
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        shm_ = bindGlobal<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && version >= 3) {
        // From version 3 on the shell can be released by a request.
        layerShell_ = bindGlobal<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version,
                                                      kLayerShellVersion);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat_) {
        seat_ = bindGlobal<wl_seat>(registry, name, &wl_seat_interface, version, kSeatVersion);
        static const wl_seat_listener seatListener = {
            [](void* data, wl_seat*, uint32_t caps) {
                static_cast<WaylandLink*>(data)->seatCapabilities(caps);
            },
            [](void*, wl_seat*, const char*) {},
        };
        wl_seat_add_listener(seat_, &seatListener, this);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<Output>();
        output->output = bindGlobal<wl_output>(registry, name, &wl_output_interface, version, kOutputVersion);
        static const wl_output_listener outputListener = {
            [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
               int32_t) {},
            [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
            [](void*, wl_output*) {},
            [](void* data, wl_output*, int32_t factor) {
                static_cast<Output*>(data)->scale = std::max(1, static_cast<int>(factor));
            },
            [](void* data, wl_output*, const char* outputName) {
                static_cast<Output*>(data)->name = outputName;
            },
            [](void*, wl_output*, const char*) {},
        };
        wl_output_add_listener(output->output, &outputListener, output.get());
        outputs_.push_back(std::move(output));
    }
}

void WaylandLink::seatCapabilities(uint32_t caps) {
    const bool hasPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (hasPointer == (pointer_ != nullptr))
        return;
    if (!hasPointer) {
        wl_pointer_destroy(pointer_);
        pointer_ = nullptr;
        return;
    }
    pointer_ = wl_seat_get_pointer(seat_);
    static const wl_pointer_listener pointerListener = {
        [](void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
            static_cast<WaylandLink*>(data)->pointerEvent({PointerEvent::Enter, surface,
                                                           wl_fixed_to_double(x), wl_fixed_to_double(y), 0,
                                                           false, serial});
        },
        [](void* data, wl_pointer*, uint32_t serial, wl_surface* surface) {
            static_cast<WaylandLink*>(data)->pointerEvent(
                {PointerEvent::Leave, surface, 0, 0, 0, false, serial});
        },
        [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
            static_cast<WaylandLink*>(data)->pointerEvent(
                {PointerEvent::Motion, nullptr, wl_fixed_to_double(x), wl_fixed_to_double(y), 0, false, 0});
        },
        [](void* data, wl_pointer*, uint32_t serial, uint32_t, uint32_t button, uint32_t state) {
            static_cast<WaylandLink*>(data)->pointerEvent({PointerEvent::Button, nullptr, 0, 0, button,
                                                           state == WL_POINTER_BUTTON_STATE_PRESSED, serial});
        },
        [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
        [](void*, wl_pointer*) {},
        [](void*, wl_pointer*, uint32_t) {},
        [](void*, wl_pointer*, uint32_t, uint32_t) {},
        [](void*, wl_pointer*, uint32_t, int32_t) {},
        [](void*, wl_pointer*, uint32_t, int32_t) {},
    };
    wl_pointer_add_listener(pointer_, &pointerListener, this);
}

void WaylandLink::listen(wl_surface* surface, std::function<void(const PointerEvent&)> receiver) {
    receivers_[surface] = std::move(receiver);
}

void WaylandLink::ignore(wl_surface* surface) {
    receivers_.erase(surface);
    if (focus_ == surface)
        focus_ = nullptr;
}

void WaylandLink::pointerEvent(const PointerEvent& read) {
    PointerEvent event = read;
    if (event.kind == PointerEvent::Enter)
        focus_ = event.surface;
    else if (event.kind == PointerEvent::Leave)
        focus_ = nullptr;
    else
        event.surface = focus_;
    if (!notifier_ || !event.surface)
        return;
    // Handled after the dispatch has returned: a handler may run a loop of its own or let go of
    // its surface.
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this, event] {
            auto receiver = receivers_.find(event.surface);
            if (receiver == receivers_.end())
                return;
            const auto handle = receiver->second;
            handle(event);
        },
        Qt::QueuedConnection);
}

wl_output* WaylandLink::output() const {
    return outputs_[chosen_]->output;
}

int WaylandLink::outputScale() const {
    return outputs_[chosen_]->scale;
}

bool WaylandLink::dispatch() {
    if (lost_)
        return false;
    while (wl_display_prepare_read(display_) != 0)
        wl_display_dispatch_pending(display_);
    wl_display_flush(display_);
    pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
    if (::poll(&ready, 1, 0) > 0)
        wl_display_read_events(display_);
    else
        wl_display_cancel_read(display_);
    wl_display_dispatch_pending(display_);
    if (wl_display_get_error(display_) != 0) {
        lost_ = true;
        if (notifier_)
            notifier_->setEnabled(false);
        std::fputs(
            "brisma: the connection to the Wayland compositor was lost; the headline bar is not shown\n",
            stderr);
        return false;
    }
    return true;
}

void WaylandLink::readWithin(int ms) {
    if (lost_ || !notifier_)
        return;
    notifier_->setEnabled(false);
    quiet_->start(ms);
}

void WaylandLink::flush() {
    if (!lost_)
        wl_display_flush(display_);
}

} // namespace brisma
