#pragma once

#include <QCursor>
#include <cstdint>

struct wl_buffer;
struct wl_cursor_theme;
struct wl_surface;

namespace brisma {

class WaylandLink;

// The pointer's image while it is over a surface of ours: a widget's cursor, its own picture for
// a bitmap cursor, the desktop's cursor theme for a shape.
class WaylandCursor {
public:
    explicit WaylandCursor(WaylandLink& link);
    ~WaylandCursor();
    WaylandCursor(const WaylandCursor&) = delete;
    WaylandCursor& operator=(const WaylandCursor&) = delete;

    // Shows `cursor` at `scale` device pixels per logical pixel, for the pointer that entered
    // with `serial`; nothing is sent when it is the one shown.
    void show(const QCursor& cursor, uint32_t serial, int scale);
    // The pointer left: the next show sends its image again.
    void forget() { shownKey_ = 0; }

private:
    void releasePicture();

    WaylandLink& link_;
    wl_surface* surface_ = nullptr;
    wl_cursor_theme* theme_ = nullptr;
    int themeScale_ = 0;
    wl_buffer* picture_ = nullptr;
    uchar* data_ = nullptr;
    std::size_t size_ = 0;
    qint64 shownKey_ = 0;
};

} // namespace brisma
