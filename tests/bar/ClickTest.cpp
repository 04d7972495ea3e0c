#include "BarFixture.h"
#include "bar/TickerArt.h"
#include "movie/frmMovie.h"
#include "platform/fs/FileSystem.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>
#include <QWindow>
#include <fstream>
#include <sstream>

namespace brisma::test {
namespace {

const std::string kStamp = "&date=20261208&time=102030";

class Click : public BarTest {
protected:
    void SetUp() override {
        BarTest::SetUp();
        setList({{"0052026120800000001", "東証、続伸", "all", "http://news.example/a?x=1&y=2%41"},
                 {"0052026120800000002", "円相場", "biz", "http://news.example/b"},
                 {"9032026123170000001", "映画の予告", "mov", "http://movie.example/"},
                 {"0122026120800000003", "天気", "oth", "http://news.example/c"}});
        bar->InitTicker();
        bar->OpenTicker();
    }

    // The pointer at the middle of a slot's text, in bar pixels.
    QPointF middleOf(int slot) const {
        return {bar->slots().intSlotX[slot] + bar->slots().intSlotWidth[slot] / 2.0, 12.0};
    }
    // The slot showing headline list entry k after the start (entry 0 is the oldest slot).
    int slotOf(int k) const { return bar->intMaxHeadLine - 1 - k; }

    void send(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, at, bar->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                          held, Qt::NoModifier);
        // To the window the display system routes it to: a native child has its own.
        QWidget* under = bar->childAt(at.toPoint());
        QApplication::sendEvent(under && under->windowHandle() ? under->windowHandle() : bar->windowHandle(),
                                &event);
    }
    void click(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        send(QEvent::MouseButtonPress, at, button);
        send(QEvent::MouseButtonRelease, at, button);
    }

    RecordingFlashPlayer& jump() { return *t->players.player("jump"); }

    QRgb textColourOf(int slot) {
        bar->DrawBar();
        const QImage picture = bar->hBufDC->readBack();
        const QImage tile = art::tile(1);
        QRgb best = 0;
        int bestDistance = -1;
        for (int y = 5; y < 23; ++y)
            for (int x = bar->slots().intSlotX[slot];
                 x < bar->slots().intSlotX[slot] + bar->slots().intSlotWidth[slot]; ++x) {
                const QRgb p = picture.pixel(x, y), b = tile.pixel(0, y);
                const int d = std::abs(qRed(p) - qRed(b)) + std::abs(qGreen(p) - qGreen(b)) +
                              std::abs(qBlue(p) - qBlue(b));
                if (d > bestDistance) {
                    bestDistance = d;
                    best = p & 0xffffff;
                }
            }
        return best;
    }
};

TEST_F(Click, AHeadlineClickIsReportedMarkedReadAndOpenedThroughTheJumpMovie) {
    ASSERT_TRUE(bar->blnOpen);
    EXPECT_EQ(t->app().main().mnApp->text().toStdString(), "ﾍｯﾄﾞﾗｲﾝを隠す");
    EXPECT_EQ(textColourOf(slotOf(0)), 0xffffffu);
    jump().clearCalls();
    click(middleOf(slotOf(0)));
    EXPECT_EQ(reports(),
              std::vector<std::string>{"/logclick?version=3.1.1&userid=U001&channel=005&type=desktop3"
                                       "&id=0052026120800000001" +
                                       kStamp});
    EXPECT_EQ(textColourOf(slotOf(0)), qRgb(156, 144, 174) & 0xffffffu);
    EXPECT_EQ(jump().calls(),
              (std::vector<std::string>{"FlashVars=url=http%3A%2F%2Fnews%2Eexample%2Fa?x=1%26y=2%2541",
                                        "Movie=" + folder.path() + "/flash/jump.swf", "GotoFrame 0",
                                        "Playing=True"}));
    EXPECT_EQ(bar->strLastClickChannel, "005");
    EXPECT_NE(folder.read("/flash/xml/news901.xml").find("<brs:hlid>0052026120800000001</brs:hlid>"),
              std::string::npos);

    // A second click in the same channel cancels the pending advertisement text; another
    // channel's click sets its own mark.
    click(middleOf(slotOf(1)));
    EXPECT_EQ(bar->strLastClickChannel, "000");
    click(middleOf(slotOf(3)));
    EXPECT_EQ(bar->strLastClickChannel, "012");
}

TEST_F(Click, AMovieHeadlinePlaysTheMovieAndReportsOneViewWithoutAJump) {
    const std::string served = "import QtQuick\nRectangle { width: 660; height: 560 }\n";
    std::string cached = served;
    cached[0] = static_cast<char>(~cached[0]);
    folder.write("/movie/70000001/70000001", cached);
    bar->strLastClickChannel = "005";
    jump().clearCalls();
    click(middleOf(slotOf(2)));

    // The play copy holds the bytes the server sent and stays locked while the movie plays.
    frmMovie& movie = t->app().movie();
    EXPECT_TRUE(movie.blnPlay);
    EXPECT_TRUE(movie.isVisible());
    EXPECT_EQ(folder.read("/play"), served);
    fs::FileLock other;
    EXPECT_FALSE(other.lock(folder.file("/play"), true));
    movie.CloseMovie();
    EXPECT_FALSE(folder.exists("/play"));

    EXPECT_EQ(reports(),
              (std::vector<std::string>{"/logadclick?version=3.1.1&userid=U001&channel=903&type=desktop3"
                                        "&adtype=mov&id=9032026123170000001" +
                                            kStamp,
                                        "/logview?m=70000001" + kStamp}));
    EXPECT_TRUE(jump().calls().empty());
    EXPECT_EQ(bar->strLastClickChannel, "005");
    EXPECT_NE(folder.read("/flash/xml/news902.xml").find("9032026123170000001"), std::string::npos);
}

TEST_F(Click, AClickDuringAProcedureOpensTheHeadlineThatWasUnderThePointer) {
    t->app().handle([&] {
        click(middleOf(slotOf(0)));
        // The procedure runs on while the strip moves far past the pointer.
        for (int i = 0; i < 400; ++i)
            bar->ScrollBar2();
        EXPECT_TRUE(reports().empty()) << "the click waits for the procedure";
    });
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(reports(),
              std::vector<std::string>{"/logclick?version=3.1.1&userid=U001&channel=005&type=desktop3"
                                       "&id=0052026120800000001" +
                                       kStamp});
}

TEST_F(Click, EdgesIconsAndOtherButtonsHitNothing) {
    const int slot = slotOf(0);
    const double left = bar->slots().intSlotX[slot];
    const double right = left + bar->slots().intSlotWidth[slot];
    for (const double x : {left, right, left - 11})
        click({x, 12});
    click(middleOf(slot), Qt::RightButton);
    EXPECT_TRUE(reports().empty());
    EXPECT_EQ(bar->strLastClickChannel, "000");
    EXPECT_FALSE(bar->slots().udtSlotNews[static_cast<std::size_t>(slot)].blnClicked);
    EXPECT_TRUE(bar->blnMouseUp);
}

TEST_F(Click, ThePointerLightsEverySlotItIsOverAndNoneElsewhere) {
    for (int k = 0; k < bar->intMaxHeadLine; ++k) {
        send(QEvent::MouseMove, middleOf(k));
        EXPECT_EQ(bar->intOnMouse, k);
        EXPECT_EQ(textColourOf(k), qRgb(255, 250, 174) & 0xffffffu) << k;
    }
    send(QEvent::MouseMove, {bar->slots().intSlotX[0] - 30.0, 12});
    EXPECT_EQ(bar->intOnMouse, -1);
    EXPECT_EQ(textColourOf(0), 0xffffffu);
}

TEST_F(Click, TheStripWaitsUnderThePointerAndMovesOnWhenItLeaves) {
    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i)
            bar->TimerScroll_Timer();
    };
    const auto pointAt = [&](QPointF at) {
        QCursor::setPos(bar->mapToGlobal(at.toPoint()));
        send(QEvent::MouseMove, at);
    };
    // Resting over a headline: it stays lit where it is.
    pointAt(middleOf(slotOf(1)));
    const std::vector<int16_t> held = bar->slots().intSlotX;
    ticks(300);
    EXPECT_EQ(bar->slots().intSlotX, held);
    EXPECT_EQ(bar->intOnMouse, slotOf(1));
    // Over another one, that one is lit and a click opens it.
    pointAt(middleOf(slotOf(3)));
    ticks(50);
    EXPECT_EQ(bar->slots().intSlotX, held);
    EXPECT_EQ(textColourOf(slotOf(3)), qRgb(255, 250, 174) & 0xffffffu);
    EXPECT_EQ(textColourOf(slotOf(1)), 0xffffffu);
    jump().clearCalls();
    click(middleOf(slotOf(3)));
    ASSERT_FALSE(jump().calls().empty());
    EXPECT_EQ(jump().calls().front(), "FlashVars=url=http%3A%2F%2Fnews%2Eexample%2Fc");
    // Between headlines the strip still waits; over the box it moves on, nothing lit.
    pointAt({bar->slots().intSlotX[slotOf(3)] - 30.0, 12});
    ticks(50);
    EXPECT_EQ(bar->slots().intSlotX, held);
    pointAt({bar->width() - 100.0, 12});
    ticks(10);
    EXPECT_EQ(bar->slots().intSlotX[0], held[0] - 10);
    EXPECT_EQ(bar->intOnMouse, -1);

    // A still pointer between two headlines: the one that moves under it stops there, lit.
    const int slot = slotOf(2);
    const int16_t gapX =
        static_cast<int16_t>(bar->slots().intSlotX[slot] + bar->slots().intSlotWidth[slot] + 30);
    pointAt({static_cast<double>(gapX), 12});
    ASSERT_EQ(bar->intOnMouse, -1);
    ticks(60);
    ASSERT_EQ(bar->intOnMouse, slotOf(3));
    const std::vector<int16_t> caught = bar->slots().intSlotX;
    ticks(50);
    EXPECT_EQ(bar->slots().intSlotX, caught);
    EXPECT_EQ(bar->slots().hit(gapX), slotOf(3));

    // Closing lets it go.
    bar->CloseTicker();
    ticks(10);
    EXPECT_EQ(bar->slots().intSlotX[0], caught[0] - 10);
    EXPECT_EQ(bar->intOnMouse, -1);
}

TEST_F(Click, ClosingSlidesTheBarOutHidesItAndNamesTheMenuItemShow) {
    bar->CloseTicker();
    EXPECT_FALSE(bar->blnOpen);
    EXPECT_FALSE(bar->blnScroll);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->x(), bar->screen()->geometry().width());
    EXPECT_EQ(t->app().main().mnApp->text().toStdString(), "ﾍｯﾄﾞﾗｲﾝを表示");
    bar->OpenTicker();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->x(), 0);
    EXPECT_EQ(bar->y() + bar->height(), bar->screen()->availableGeometry().bottom() + 1);
}

// Stands for the desktop: every address Qt would hand to a browser.
class DesktopRecorder : public QObject {
    Q_OBJECT

public:
    DesktopRecorder() {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QLatin1StringView(scheme), this, "open");
    }
    ~DesktopRecorder() override {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QLatin1StringView(scheme));
    }
    std::vector<std::string> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.push_back(url.toString(QUrl::FullyEncoded).toStdString()); }
};

// Headline clicks through the demo's own jump movie in the real player.
class Jump : public Click {
protected:
    Jump() { qmlPlayers = true; }
};

TEST_F(Jump, EveryAddressAFeedWritesReachesTheBrowserEncodedButUnchanged) {
    std::ifstream module(std::string(BRISMA_DEMO_DIR) + "/content/modules/jump.qml");
    std::ostringstream qml;
    qml << module.rdbuf();
    ASSERT_FALSE(qml.str().empty());
    folder.write("/flash/jump.swf", qml.str());
    const std::pair<std::string, std::string> addresses[] = {
        {"http://news.example/a/b c?q=x|y&n=1", "http://news.example/a/b%20c?q=x%7Cy&n=1"},
        {"http://news.example/50%25off?q=a%26b", "http://news.example/50%25off?q=a%26b"},
        {"http://news.example/t/{id}?k=^\"v\"&z=1", "http://news.example/t/%7Bid%7D?k=%5E%22v%22&z=1"},
        {"https://news.example/plain?id=7", "https://news.example/plain?id=7"}};
    std::vector<Headline> list;
    for (const auto& [url, opened] : addresses)
        list.push_back({"00520261208000000" + std::to_string(10 + list.size()), "見出し", "all", url});
    setList(list);
    bar->InitTicker();
    DesktopRecorder desktop;
    std::vector<std::string> expected;
    for (int k = 0; k < 4; ++k) {
        click(middleOf(slotOf(k)));
        expected.push_back(addresses[k].second);
        for (int i = 0; i < 200 && desktop.urls.size() < expected.size(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(desktop.urls, expected);
}

} // namespace
} // namespace brisma::test

#include "ClickTest.moc"
