#include "BarFixture.h"
#include "bar/TickerArt.h"
#include "movie/frmMovie.h"
#include "platform/fs/FileSystem.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

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
        QApplication::sendEvent(bar->windowHandle(), &event);
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
              (std::vector<std::string>{"FlashVars=url=http%3A%2F%2Fnews%2Eexample%2Fa?x=1%26y=2%41",
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

} // namespace
} // namespace brisma::test
