#include "BarFixture.h"
#include "bar/ImageTickerSurface.h"
#include "bar/TickerArt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdlib>
#include <tuple>
#include <xcb/xcb.h>

namespace brisma::test {
namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kRead = qRgb(156, 144, 174);
constexpr QRgb kHover = qRgb(255, 250, 174);

QImage region(const QImage& image, int x, int y, int w, int h) {
    return image.copy(x, y, w, h).convertToFormat(QImage::Format_RGB32);
}

int distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// The pixel of `area` that stands out most from the background at its row: the text's own
// colour where a stroke covers the pixel fully.
QRgb strongest(const QImage& image, QRect area, const QImage& tile) {
    QRgb best = tile.pixel(0, area.top());
    int bestDistance = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int d = distance(image.pixel(x, y), tile.pixel(0, y));
            if (d > bestDistance) {
                bestDistance = d;
                best = image.pixel(x, y);
            }
        }
    return best;
}

class Paint : public BarTest {
protected:
    QImage composed() {
        bar->DrawBar();
        return bar->hBufDC->readBack().convertToFormat(QImage::Format_RGB32);
    }
    // The text rectangle of a slot.
    QRect textRect(int slot) const {
        return {bar->slots().intSlotX[slot], 5, bar->slots().intSlotWidth[slot], 18};
    }
    int oldest() const { return bar->intMaxHeadLine - 1; }
};

struct ColourCase {
    bool clicked;
    bool hovered;
    QRgb colour;
};

class PaintColour : public Paint, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(PaintColour, TextTakesTheColourOfItsReadMarkAndThePointer) {
    const ColourCase c = GetParam();
    setList({{"0052026120800000001", "一二三十王", "all", "http://a/", c.clicked}});
    bar->InitTicker();
    bar->intOnMouse = c.hovered ? static_cast<int16_t>(oldest()) : int16_t{-1};
    const QImage picture = composed();
    const QRgb text = strongest(picture, textRect(oldest()), art::tile(1));
    // Of the three text colours, the drawn one is nearest, and near.
    EXPECT_EQ(text, c.colour | 0xff000000u) << std::hex << text;
    for (QRgb other : {kWhite, kRead, kHover}) {
        if (other != c.colour) {
            EXPECT_GT(distance(text, other), distance(text, c.colour)) << std::hex << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bar, PaintColour,
                         ::testing::Values(ColourCase{false, false, kWhite}, ColourCase{true, false, kRead},
                                           ColourCase{false, true, kHover}, ColourCase{true, true, kHover}));

class PaintIcon : public Paint, public ::testing::WithParamInterface<std::tuple<const char*, art::Icon>> {};

TEST_P(PaintIcon, EveryCodeDrawsItsIconLeftOfTheText) {
    const auto [code, icon] = GetParam();
    t->app().script().TBId = "tbn0001";
    setList({{"0052026120800000001", "見出し", code}});
    bar->InitTicker();
    const int x = bar->slots().intSlotX[oldest()];
    EXPECT_EQ(region(composed(), x - 22, 0, 22, 24), art::icon(icon, 1)) << code;
}

INSTANTIATE_TEST_SUITE_P(
    Bar, PaintIcon,
    ::testing::Values(std::tuple{"all", art::Icon::all}, std::tuple{"soc", art::Icon::all},
                      std::tuple{"spt", art::Icon::spt}, std::tuple{"biz", art::Icon::biz},
                      std::tuple{"ent", art::Icon::ent}, std::tuple{"cul", art::Icon::cul},
                      std::tuple{"oth", art::Icon::oth}, std::tuple{"mov", art::Icon::mov},
                      std::tuple{"sci", art::Icon::it}, std::tuple{"pr", art::Icon::pr},
                      std::tuple{"tbn", art::Icon::pr}, std::tuple{"", art::Icon::oth},
                      std::tuple{"it", art::Icon::oth}, std::tuple{"SPT", art::Icon::oth}));

TEST_F(Paint, TheBackgroundIsTheTileAndTextStopsAtTheSlotsRightEdge) {
    setList({{"0052026120800000001", "東京株式市場"}});
    bar->InitTicker();
    const QImage picture = composed();
    const QImage tile = art::tile(1);
    // From the end of the oldest text to the next icon only the tile shows.
    const int end = bar->slots().intSlotX[oldest()] + bar->slots().intSlotWidth[oldest()];
    for (int x = end; x < end + 60 - 22; ++x)
        for (int y = 0; y < 24; ++y)
            ASSERT_EQ(picture.pixel(x, y), tile.pixel(x % 32, y)) << x << "," << y;
    EXPECT_EQ(region(picture, 0, 0, 32, 24), tile);

    // A text wider than its slot is cut at the slot's edge, not squeezed.
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    const QImage cut = art::slotText(QStringLiteral("東京株式市場"), kWhite, 30, font, 1);
    const QImage whole = art::slotText(QStringLiteral("東京株式市場"), kWhite, 72, font, 1);
    EXPECT_EQ(cut.width(), 30);
    EXPECT_EQ(cut, whole.copy(0, 0, 30, 18));
}

TEST_F(Paint, ABannerShowsItsUpperTwentyOneRowsAndThePrIcon) {
    setList({{"0052026120800000001", "見出し"}});
    bar->InitTicker();
    clsBrismaNews banner(t->app().errors());
    banner.strID = "tbn0001";
    banner.strNewsType = "tbn";
    banner.strNewsText = "a much longer text than the banner is wide";
    ASSERT_EQ(bar->InsertNews(banner), 1);
    EXPECT_EQ(bar->slots().intSlotWidth[0], 130);
    const int x = bar->slots().intSlotX[0];
    ASSERT_LT(x + 130, bar->width() - 245);
    const QImage picture = composed();
    const QImage bmp =
        QImage::fromData(QByteArray::fromStdString(bannerBmp())).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(region(picture, x, 3, 130, 21), bmp.copy(0, 0, 130, 21));
    EXPECT_EQ(region(picture, x - 22, 0, 22, 24), art::icon(art::Icon::pr, 1));
    EXPECT_EQ(region(picture, x, 0, 130, 3), region(picture, 0, 0, 130, 3))
        << "rows above the banner are the tile";
}

TEST_F(Paint, AnAmpersandUnderlinesTheNextCharacterAndIsNotShown) {
    setList({{"0052026120800000001", "AB"}, {"0052026120800000002", "A&B"}});
    bar->InitTicker();
    const QImage picture = composed();
    // Slot N-1 holds "AB(C)", slot N-2 "A&B(C)": the same five characters drawn.
    const QRect plain = textRect(oldest());
    const QRect marked = textRect(oldest() - 1);
    ASSERT_EQ(marked.width(), plain.width() + 6) << "the & is measured";
    int differing = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const bool same = picture.pixel(plain.x() + x, 5 + y) == picture.pixel(marked.x() + x, 5 + y);
            if (!same) {
                ++differing;
                EXPECT_GE(x, 5) << "only below the B";
                EXPECT_LT(x, 13) << "only below the B";
                EXPECT_GE(y, 11) << "only below the letters";
            }
        }
    EXPECT_GT(differing, 3);
}

TEST(BarPicture, OnADenseScreenEveryCopyLandsAtItsScaledPlace) {
    ImageTickerSurface picture(nullptr, 2);
    picture.resize(100, 24, art::tile(2), 4);
    picture.store(0, art::icon(art::Icon::mov, 2));
    picture.clear();
    picture.copy(0, 10, 0, 22, 24);
    picture.copy(0, 90, 0, 22, 24);
    const QImage composed = picture.readBack().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(composed.size(), QSize(200, 48));
    const QImage icon = art::icon(art::Icon::mov, 2);
    EXPECT_EQ(region(composed, 20, 0, 44, 48), icon);
    EXPECT_EQ(region(composed, 180, 0, 20, 48), icon.copy(0, 0, 20, 48)) << "cut at the picture's edge";
    EXPECT_EQ(region(composed, 0, 0, 20, 48), art::tile(2).copy(0, 0, 20, 48));
}

TEST_F(Paint, NothingIsDrawnWhileTheBarSlides) {
    setList({{"0052026120800000001", "見出し"}});
    bar->InitTicker();
    const QImage before = composed();
    bar->blnScroll = true;
    for (int i = 0; i < 5; ++i)
        bar->ScrollBar2();
    EXPECT_EQ(composed(), before);
    bar->blnScroll = false;
    EXPECT_NE(composed(), before) << "the strip did move";
}

// The box at the bar's right end, with the real player: a module it cannot load leaves the bar's
// own background there, and no widget to take the clicks.
struct BoxCase {
    const char* name;
    std::string module;
    bool loads;
    friend void PrintTo(const BoxCase& box, std::ostream* out) { *out << box.name; }
};

class BoxArea : public BarTest, public ::testing::WithParamInterface<BoxCase> {
protected:
    BoxArea() { qmlPlayers = true; }
    void SetUp() override {
        if (!GetParam().module.empty())
            folder.write("/flash/box.swf", GetParam().module);
        BarTest::SetUp();
    }
    QRect area() const { return {bar->width() - 245, 0, 245, 24}; }
    // The area as the screen shows it: read back from the X server where there is one, else
    // painted by the widgets.
    QImage shown() {
        bar->show();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return bar->grab(area()).toImage().convertToFormat(QImage::Format_RGB32);
        xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        auto* reply = xcb_get_image_reply(c,
                                          xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                        static_cast<xcb_window_t>(bar->winId()),
                                                        static_cast<int16_t>(area().x()), 0, 245, 24, ~0u),
                                          nullptr);
        if (!reply)
            return {};
        QImage image = QImage(xcb_get_image_data(reply), 245, 24, QImage::Format_RGB32).copy();
        std::free(reply);
        // Depth 24 leaves the top byte undefined.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, image.pixel(x, y) | 0xff000000u);
        return image;
    }
    // The area as a layer-shell surface takes it: the window's widgets rendered over black.
    QImage rendered() {
        QImage image(area().size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        bar->render(&image, QPoint(), QRegion(area()), QWidget::DrawChildren);
        return image;
    }
    // The bar's background tiles, laid from its left edge, over the area.
    QImage background() const {
        const QImage tile = art::tile(1).convertToFormat(QImage::Format_RGB32);
        QImage image(area().size(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, tile.pixel((area().x() + x) % art::kTileWidth, y));
        return image;
    }
};

TEST_P(BoxArea, AModuleThePlayerCannotLoadLeavesTheBarsBackground) {
    const QPoint middle = area().center();
    QWidget* box = t->app().ticker().swfPlayer().widget();
    ASSERT_NE(box, nullptr);
    const QImage screen = shown();
    if (GetParam().loads) {
        EXPECT_EQ(bar->childAt(middle), box);
        EXPECT_EQ(screen.pixel(120, 12), qRgb(200, 30, 40));
        EXPECT_EQ(rendered().pixel(120, 12), qRgb(200, 30, 40));
        return;
    }
    EXPECT_EQ(bar->childAt(middle), nullptr) << "nothing takes the clicks there";
    EXPECT_EQ(bar->view().geometry(), QRect(0, 0, bar->width() - 245, 24));
    EXPECT_EQ(screen, background());
    EXPECT_EQ(rendered(), background());
}

INSTANTIATE_TEST_SUITE_P(
    Bar, BoxArea,
    ::testing::Values(BoxCase{"Loads", "import QtQuick\nRectangle { color: \"#c81e28\" }\n", true},
                      BoxCase{"RealSwf", std::string("FWS\x0a\x20\x00\x00\x00", 8), false},
                      BoxCase{"NotQml", "<html><body>404 Not Found</body></html>", false},
                      BoxCase{"Missing", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace brisma::test
