#include "bar/TickerSurface.h"

#include "bar/ImageTickerSurface.h"
#include "bar/WaylandTickerSurface.h"
#include "bar/XcbTickerSurface.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brisma {
namespace {

xcb_connection_t* x11Connection() {
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
    return nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_atom_t value = XCB_ATOM_NONE;
    if (auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr)) {
        value = reply->atom;
        std::free(reply);
    }
    return value;
}

// On a Wayland desktop, the connection whose compositor places layer-shell surfaces; none
// elsewhere (X11, the offscreen platform, GNOME). Says once which way the bar is shown there.
std::shared_ptr<WaylandLink> layerShell() {
    static bool said = false;
    auto link = WaylandLink::desktop();
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const QString platform = QGuiApplication::platformName();
    if (said || !display || !*display ||
        (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland"))))
        return link;
    said = true;
    std::fputs(link ? platform == QLatin1String("xcb")
                          ? "brisma: running on XWayland (xcb): the headline bar is shown on a layer-shell "
                            "surface of the Wayland compositor\n"
                          : "brisma: the headline bar is shown on a layer-shell surface of the Wayland "
                            "compositor\n"
               : platform == QLatin1String("xcb")
                   ? "brisma: running on XWayland (xcb): the headline bar is an X11 dock window, since "
                     "the Wayland compositor offers no layer shell\n"
                   : "brisma: the headline bar places itself only on X11 or a Wayland compositor with a "
                     "layer shell; run with QT_QPA_PLATFORM=xcb (XWayland)\n",
               stderr);
    return link;
}

} // namespace

QPoint TickerSurface::pointerPos() const {
    return QCursor::pos();
}

bool TickerSurface::suits(double ratio) const {
    return surfaceScale(ratio) == scale_;
}

int surfaceScale(double ratio) {
    return std::max(1, static_cast<int>(std::ceil(ratio - 1e-6)));
}

std::unique_ptr<TickerSurface> makeTickerSurface(QWidget& window, double ratio) {
    if (auto link = layerShell())
        return std::make_unique<WaylandTickerSurface>(std::move(link), window);
    const int scale = surfaceScale(ratio);
    // The server-side copies land one to one on the window's pixels: only at a whole ratio.
    xcb_connection_t* connection = std::abs(scale - ratio) < 1e-6 ? x11Connection() : nullptr;
    if (connection) {
        window.setAttribute(Qt::WA_NativeWindow);
        auto surface =
            std::make_unique<XcbTickerSurface>(connection, static_cast<xcb_window_t>(window.winId()), scale);
        if (surface->takesImagesAsTheyAre()) {
            // The window is drawn by the server-side copies alone; the toolkit never paints it.
            window.setAttribute(Qt::WA_PaintOnScreen);
            window.setAttribute(Qt::WA_NoSystemBackground);
            return surface;
        }
    }
    window.setAttribute(Qt::WA_PaintOnScreen, false);
    window.setAttribute(Qt::WA_NoSystemBackground, false);
    return std::make_unique<ImageTickerSurface>(&window, scale);
}

void declareDock(QWidget& bar) {
    xcb_connection_t* c = x11Connection();
    if (!c)
        return;
    const auto window = static_cast<xcb_window_t>(bar.winId());
    // The X11 window kind "dock": kept above, never focused, in no task bar or pager. Written
    // before the window is first shown, which is when window managers read it.
    const xcb_atom_t dock = internAtom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, internAtom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                        32, 1, &dock);
    xcb_flush(c);
}

bool reserveBottom(QWidget& bar, bool reserve) {
    xcb_connection_t* c = x11Connection();
    if (!c)
        return false;
    const auto window = static_cast<xcb_window_t>(bar.winId());
    const xcb_atom_t partial = internAtom(c, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t strut = internAtom(c, "_NET_WM_STRUT");
    if (!reserve) {
        xcb_delete_property(c, window, partial);
        xcb_delete_property(c, window, strut);
        xcb_flush(c);
        return true;
    }
    // In the X server's pixels, measured from the bottom of the whole X screen: from the bar's
    // top down, across the bar's width.
    const double ratio = bar.devicePixelRatioF();
    const QRect g = bar.geometry();
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const auto top = static_cast<uint32_t>(std::max(0L, std::lround(g.y() * ratio)));
    const uint32_t bottom = root && root->height_in_pixels > top ? root->height_in_pixels - top : 0;
    const auto left = static_cast<uint32_t>(std::max(0L, std::lround(g.x() * ratio)));
    const auto right = static_cast<uint32_t>(std::max(0L, std::lround((g.x() + g.width()) * ratio) - 1));
    const uint32_t values[12] = {0, 0, 0, bottom, 0, 0, 0, 0, 0, 0, left, right};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, partial, XCB_ATOM_CARDINAL, 32, 12, values);
    // Older window managers read only the four edges.
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, strut, XCB_ATOM_CARDINAL, 32, 4, values);
    xcb_flush(c);
    return true;
}

} // namespace brisma
