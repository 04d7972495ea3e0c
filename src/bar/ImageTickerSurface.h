#pragma once

#include "bar/TickerSurface.h"

#include <vector>

namespace brisma {

// The picture as an image in memory, composed by row copies; the window paints it.
class ImageTickerSurface : public TickerSurface {
public:
    ImageTickerSurface(QWidget* window, int scale);

    void resize(int width, int height, const QImage& tile, int tiles) override;
    void store(int key, const QImage& image) override;
    void clear() override;
    void copy(int key, int x, int y, int w, int h) override;
    void present(int w, int h) override;
    void paint(QWidget& window, const QPaintEvent& event) override;
    QImage readBack() const override { return picture_; }
    bool paintsOnScreen() const override { return false; }

private:
    QWidget* window_;
    QImage background_;
    QImage picture_;
    std::vector<QImage> images_;
};

} // namespace brisma
