#pragma once

#include "bar/ImageTickerSurface.h"
#include "bar/TickerSurface.h"
#include "platform/wayland/LayerSurface.h"

namespace brisma {

// The picture on a layer-shell surface along the bottom of the output: composed in memory and
// copied, at the slide's offset and with the widgets right of it (the box movie), into the
// surface's buffers. The bar's top-level window is never shown on screen: its position gives
// the slide.
class WaylandTickerSurface : public TickerSurface {
public:
    // `view` is the widget that shows the picture; its top-level is the bar.
    WaylandTickerSurface(std::shared_ptr<WaylandLink> link, QWidget& view);

    void resize(int width, int height, const QImage& tile, int tiles) override;
    void store(int key, const QImage& image) override;
    void clear() override;
    void copy(int key, int x, int y, int w, int h) override;
    void present(int w, int h) override;
    void paint(QWidget& window, const QPaintEvent& event) override;
    QImage readBack() const override { return composed_.readBack(); }
    bool paintsOnScreen() const override { return true; }
    QPoint pointerPos() const override;
    bool suits(double ratio) const override;

private:
    void fill(QImage& buffer) const;
    // Left edge of the bar on its output, in logical pixels, while it slides.
    int offset() const;

    QWidget& view_;
    QWidget& bar_;
    ImageTickerSurface composed_;
    LayerSurface layer_;
    int shown_ = 0;
};

} // namespace brisma
