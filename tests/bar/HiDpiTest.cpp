#include "BarFixture.h"
#include "bar/TickerArt.h"

#include <QGuiApplication>
#include <QPixmap>
#include <cstdlib>

namespace brisma::test {
namespace {

int distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Hard edges inside the 2 x 2 blocks of device pixels that make one bar pixel: neighbours in a
// block that differ by more than half of `contrast`. An upscaled picture has none: nearest
// neighbour repeats each pixel over its block, bilinear blends a block to at most a quarter of
// a step.
int edgesInsideBlocks(const QImage& image, int contrast) {
    int edges = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb corner = image.pixel(x, y);
            edges += distance(corner, image.pixel(x + 1, y)) * 2 > contrast;
            edges += distance(corner, image.pixel(x, y + 1)) * 2 > contrast;
        }
    return edges;
}

class HiDpi : public BarTest {
protected:
    void SetUp() override {
        if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0)
            GTEST_SKIP() << "runs on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2)";
        BarTest::SetUp();
    }
};

TEST_F(HiDpi, TheBarIsTwentyFourPixelsHighAndItsTextAndIconsAreDrawnAtTheScreensPixels) {
    const QString text = QStringLiteral("東京株式市場が大幅に反発(C)");
    setList({{"0052026120800000001", "東京株式市場が大幅に反発", "biz"}});
    bar->InitTicker();
    bar->OpenTicker();
    EXPECT_EQ(bar->height(), 24);
    EXPECT_EQ(bar->devicePixelRatio(), 2);

    bar->DrawBar();
    const QImage picture = bar->hBufDC->readBack().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(2 * bar->width(), 48));
    // What the window paints is the picture itself, device pixel for device pixel (a picture in
    // the X server is copied onto the window by the server instead).
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        EXPECT_TRUE(bar->hBufDC->paintsOnScreen()) << "at a whole ratio the picture lives in the X server";
    }
    if (!bar->hBufDC->paintsOnScreen()) {
        const QImage shown = bar->view().grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(2 * bar->view().width(), 48));
        EXPECT_EQ(shown, picture.copy(0, 0, shown.width(), 48));
    }

    const int slot = bar->intMaxHeadLine - 1;
    const int x = bar->slots().intSlotX[slot];
    const int w = bar->slots().intSlotWidth[slot];
    EXPECT_EQ(picture.copy(2 * (x - 22), 0, 44, 48),
              art::icon(art::Icon::biz, 2).convertToFormat(QImage::Format_RGB32));

    // The text: rendered at the ratio, not an enlargement of what a ratio-1 screen shows.
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    const QImage sharp = picture.copy(2 * x, 10, 2 * w, 36);
    const QImage single =
        art::slotText(text, qRgb(255, 255, 255), w, font, 1).convertToFormat(QImage::Format_RGB32);
    const QImage nearest = single.scaled(2 * w, 36, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QImage bilinear = single.scaled(2 * w, 36, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int contrast = distance(qRgb(255, 255, 255), art::tile(1).pixel(0, 12));
    EXPECT_EQ(edgesInsideBlocks(nearest, contrast), 0);
    EXPECT_EQ(edgesInsideBlocks(bilinear, contrast), 0);
    EXPECT_GT(edgesInsideBlocks(sharp, contrast), 100);
}

} // namespace
} // namespace brisma::test
