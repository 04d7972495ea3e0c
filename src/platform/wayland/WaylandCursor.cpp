#include "platform/wayland/WaylandCursor.h"

#include "platform/wayland/WaylandLink.h"

#include <QImage>
#include <QPixmap>
#include <cmath>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

namespace brisma {

WaylandCursor::WaylandCursor(WaylandLink& link) : link_(link) {}

WaylandCursor::~WaylandCursor() {
    releasePicture();
    if (theme_)
        wl_cursor_theme_destroy(theme_);
    if (surface_)
        wl_surface_destroy(surface_);
}

void WaylandCursor::releasePicture() {
    if (picture_)
        wl_buffer_destroy(picture_);
    if (data_)
        ::munmap(data_, size_);
    picture_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

void WaylandCursor::show(const QCursor& cursor, uint32_t serial, int scale) {
    const bool bitmap = cursor.shape() == Qt::BitmapCursor;
    // Shapes are keyed by number, pictures by their cache key (never this small).
    const qint64 key = bitmap ? cursor.pixmap().cacheKey() : static_cast<qint64>(cursor.shape()) + 1;
    if (key == shownKey_ || !link_.pointer())
        return;
    if (!surface_)
        surface_ = wl_compositor_create_surface(link_.compositor());
    wl_buffer* buffer = nullptr;
    int bufferScale = 1;
    QPoint hotSpot;
    if (bitmap) {
        const QPixmap pixmap = cursor.pixmap();
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        bufferScale = std::max(1, static_cast<int>(std::lround(pixmap.devicePixelRatio())));
        hotSpot = cursor.hotSpot() / bufferScale;
        releasePicture();
        const std::size_t size = static_cast<std::size_t>(image.sizeInBytes());
        const int fd = ::memfd_create("brisma-cursor", MFD_CLOEXEC);
        if (fd < 0)
            return;
        if (::ftruncate(fd, static_cast<off_t>(size)) == 0) {
            void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (data != MAP_FAILED) {
                data_ = static_cast<uchar*>(data);
                size_ = size;
                std::memcpy(data_, image.constBits(), size);
                wl_shm_pool* pool = wl_shm_create_pool(link_.shm(), fd, static_cast<int32_t>(size));
                picture_ = wl_shm_pool_create_buffer(pool, 0, image.width(), image.height(),
                                                     static_cast<int32_t>(image.bytesPerLine()),
                                                     WL_SHM_FORMAT_ARGB8888);
                wl_shm_pool_destroy(pool);
            }
        }
        ::close(fd);
        buffer = picture_;
    } else {
        if (!theme_ || themeScale_ != scale) {
            if (theme_)
                wl_cursor_theme_destroy(theme_);
            // The desktop's theme, or the library's own cursors when none is installed.
            theme_ = wl_cursor_theme_load(nullptr, 24 * scale, link_.shm());
            themeScale_ = scale;
        }
        wl_cursor* arrow = theme_ ? wl_cursor_theme_get_cursor(theme_, "left_ptr") : nullptr;
        if (arrow && arrow->image_count > 0) {
            wl_cursor_image* image = arrow->images[0];
            buffer = wl_cursor_image_get_buffer(image);
            bufferScale = scale;
            hotSpot = QPoint(static_cast<int>(image->hotspot_x) / scale,
                             static_cast<int>(image->hotspot_y) / scale);
        }
    }
    if (!buffer)
        return;
    wl_surface_attach(surface_, buffer, 0, 0);
    wl_surface_set_buffer_scale(surface_, bufferScale);
    wl_surface_damage_buffer(surface_, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(surface_);
    wl_pointer_set_cursor(link_.pointer(), serial, surface_, hotSpot.x(), hotSpot.y());
    link_.flush();
    shownKey_ = key;
}

} // namespace brisma
