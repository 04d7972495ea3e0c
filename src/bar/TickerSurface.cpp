#include "bar/TickerSurface.h"

#include "bar/ImageTickerSurface.h"
#include "bar/XcbTickerSurface.h"

#include <QGuiApplication>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace brisma {
namespace {

xcb_connection_t* x11Connection() {
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
    return nullptr;
}

} // namespace

std::unique_ptr<TickerSurface> makeTickerSurface(QWidget& window) {
    const int scale = std::max(1, static_cast<int>(std::ceil(window.devicePixelRatioF())));
    if (xcb_connection_t* connection = x11Connection()) {
        // The window is drawn by the server-side copies alone; the toolkit never paints it.
        window.setAttribute(Qt::WA_NativeWindow);
        window.setAttribute(Qt::WA_PaintOnScreen);
        window.setAttribute(Qt::WA_NoSystemBackground);
        return std::make_unique<XcbTickerSurface>(connection, static_cast<xcb_window_t>(window.winId()),
                                                  scale);
    }
    return std::make_unique<ImageTickerSurface>(&window, scale);
}

void declareDock(QWidget& bar) {
    if (!x11Connection())
        return;
    bar.winId();
    QWindow* window = bar.windowHandle();
    if (!window)
        return;
    // The X11 window kind "dock": kept above, never focused, in no task bar or pager.
    constexpr int kDockType = 0x4;
    window->setProperty("_q_xcb_wm_window_type", kDockType);
    window->setFlags(window->flags());
}

} // namespace brisma
