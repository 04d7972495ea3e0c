#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;
struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct zwlr_layer_shell_v1;

namespace brisma {

// A connection of our own to the Wayland compositor, for the surfaces the compositor places as
// parts of the desktop (layer shell). It is served by the toolkit's event loop: a socket
// notifier reads, and requests are flushed before the loop sleeps.
class WaylandLink {
public:
    struct PointerEvent {
        enum Kind { Enter, Leave, Motion, Button } kind = Motion;
        wl_surface* surface = nullptr;
        // Surface-local logical pixels (Enter, Motion).
        double x = 0;
        double y = 0;
        // Linux input code and state (Button).
        uint32_t button = 0;
        bool pressed = false;
        uint32_t serial = 0;
    };

    // The one connection of this process, shared by its surfaces while any holds it. None when
    // the toolkit runs neither on X11 nor on Wayland (the offscreen platform), when
    // WAYLAND_DISPLAY does not answer or when the compositor offers no layer shell. The surfaces
    // go to the output of the primary screen's name, if the compositor names one so.
    static std::shared_ptr<WaylandLink> desktop();
    ~WaylandLink();
    WaylandLink(const WaylandLink&) = delete;
    WaylandLink& operator=(const WaylandLink&) = delete;

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
    wl_pointer* pointer() const { return pointer_; }
    // The output the surfaces go to, and its scale (whole device pixels per logical pixel).
    wl_output* output() const;
    int outputScale() const;

    // The pointer's events over `surface` go to `receiver`, from the event loop once the dispatch
    // that read them is over; until `ignore` is called for that surface.
    void listen(wl_surface* surface, std::function<void(const PointerEvent&)> receiver);
    void ignore(wl_surface* surface);

    // Reads and handles what the compositor has sent, without waiting. False once the
    // connection is lost.
    bool dispatch();
    void flush();
    // The caller reads what the compositor sends itself within `ms` (a surface drawn on every
    // tick of a timer): until then its answers do not wake the event loop, and are read at the
    // latest then.
    void readWithin(int ms);

private:
    struct Output {
        wl_output* output = nullptr;
        int scale = 1;
        std::string name;
    };

    WaylandLink() = default;
    static std::unique_ptr<WaylandLink> connect(const std::string& outputName);
    void bind(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void seatCapabilities(uint32_t caps);
    void pointerEvent(const PointerEvent& event);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::size_t chosen_ = 0;
    std::map<wl_surface*, std::function<void(const PointerEvent&)>> receivers_;
    // The surface the pointer is over: motion and buttons name none of their own.
    wl_surface* focus_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> quiet_;
    bool lost_ = false;
};

} // namespace brisma
