#pragma once

#include <QImage>
#include <memory>

class QPaintEvent;
class QWidget;

namespace brisma {

// The bar's off-screen picture and the one copy that shows it. Pictures are stored once under
// a key (icons, the bar banner, each slot's rendered text) and composed by plain copies, so a
// tick renders nothing. Coordinates are bar pixels; stored images carry the surface's scale as
// their device pixel ratio.
class TickerSurface {
public:
    virtual ~TickerSurface() = default;

    // A new picture of width x height whose background is `tiles` copies of `tile` side by side.
    virtual void resize(int width, int height, const QImage& tile, int tiles) = 0;
    // Stores `image` under `key`, replacing what the key held; a null image empties it.
    virtual void store(int key, const QImage& image) = 0;
    // Lays the background over the whole picture.
    virtual void clear() = 0;
    // Copies at most w x h pixels of the image under `key`, from its origin, to (x, y); the
    // picture clips. An empty key copies nothing.
    virtual void copy(int key, int x, int y, int w, int h) = 0;
    // Copies the picture's area (0, 0, w, h) onto the window at (0, 0).
    virtual void present(int w, int h) = 0;
    // The window's paint handler: shows the picture in the exposed part.
    virtual void paint(QWidget& window, const QPaintEvent& event) = 0;
    // The composed picture, read back (tests).
    virtual QImage readBack() const = 0;
    // True when the window must not be painted by the toolkit (the surface draws on it itself).
    virtual bool paintsOnScreen() const = 0;
    // The pointer's position on the desktop, as far as the picture's window can tell.
    virtual QPoint pointerPos() const;
    // True while this surface still draws right for a screen of device pixel ratio `ratio`: a new
    // one is made only when it does not.
    virtual bool suits(double ratio) const;

    int scale() const { return scale_; }

protected:
    explicit TickerSurface(int scale) : scale_(scale) {}

private:
    int scale_;
};

// Device pixels per bar pixel of a surface for a screen of device pixel ratio `ratio`: the ratio
// rounded up, so a fractional ratio draws finer and the window's painter scales it down.
int surfaceScale(double ratio);

// The one place the drawing path is chosen: a layer-shell surface of its own where the session's
// Wayland compositor offers one, else a server-side picture on X11 at a whole device pixel ratio,
// else an image the window paints. `window` is the widget that shows the picture, on a
// screen of device pixel ratio `ratio`.
std::unique_ptr<TickerSurface> makeTickerSurface(QWidget& window, double ratio);

// On X11, makes the top-level `bar` a dock window; elsewhere does nothing.
void declareDock(QWidget& bar);

// On X11, reserves the screen's bottom edge from the top-level `bar`'s top down, so that
// maximised windows stop above it, or (`reserve` false) gives it back. False elsewhere.
bool reserveBottom(QWidget& bar, bool reserve);

} // namespace brisma
