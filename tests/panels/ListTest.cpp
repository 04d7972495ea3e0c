#include "RecordingFlashPlayer.h"
#include "TestContext.h"
#include "panels/ListHost.h"
#include "panels/frmList.h"
#include "platform/ui/StringTable.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace brisma {
namespace {

QRect workArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// A bar 24 pixels high on the work area's bottom; keeps every caption the panel sets.
struct BarAtTheBottom : ListHost {
    void setListMenuCaption(const std::string& caption) override { captions.push_back(caption); }
    int tickerTop() override { return workArea().bottom() + 1 - 24; }
    int tickerHeight() override { return 24; }
    QRect workArea() override { return brisma::workArea(); }
    std::vector<std::string> captions;
};

// Every position the window takes.
struct MoveLog : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Move)
            positions.push_back(static_cast<QWidget*>(watched)->pos());
        return false;
    }
    std::vector<QPoint> positions;
};

struct ListTest : ::testing::Test {
    test::TestContext t;
    RecordingPlayerFactory players;
    BarAtTheBottom host;
    std::unique_ptr<frmList> list = std::make_unique<frmList>(
        t.paths, t.serverBase, t.gate, players, [](const std::string&, const std::string&) {}, host);
    RecordingFlashPlayer& player() { return *players.player("list"); }
    int barTop() { return host.tickerTop(); }
};

TEST_F(ListTest, LoadsStoppedThenPlayingAndClosed) {
    EXPECT_EQ(player().calls(),
              (std::vector<std::string>{"Movie=" + t.folder.path() + "/flash/list.swf", "Stop", "Play"}));
    EXPECT_FALSE(list->blnOpen);
    EXPECT_EQ(list->size(), QSize(244, 357));
    EXPECT_TRUE(list->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(list->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(list->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(ListTest, OpensCentredOnXInsideTheWorkArea) {
    const QRect work = workArea();
    struct Case {
        float x;
        int left;
    };
    for (const Case c : {Case{static_cast<float>(work.right() + 1 - 10), work.right() + 1 - 244}, Case{3, 0},
                         Case{300, 300 - 122}, Case{2000, work.right() + 1 - 244}}) {
        player().clearCalls();
        list->ShowList(c.x, 0, 0);
        EXPECT_TRUE(list->blnOpen);
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(list->pos(), QPoint(c.left, barTop() - 357)) << c.x;
        EXPECT_EQ(player().calls(), (std::vector<std::string>{"Movie=" + t.serverBase,
                                                              "Movie=" + t.folder.path() + "/flash/list.swf",
                                                              "GotoFrame 1", "Playing=True"}));
        list->HideList(c.x, 0);
    }
}

TEST_F(ListTest, OpenAndCloseTwiceEndsClosedBehindTheBar) {
    MoveLog log;
    list->installEventFilter(&log);
    for (int round = 0; round < 2; ++round) {
        list->ShowList(500, 0, 0);
        log.positions.clear();
        list->HideList(500, 0);
        // The slide goes straight down: the target left is where the panel already is.
        ASSERT_FALSE(log.positions.empty());
        for (const QPoint& p : log.positions)
            EXPECT_EQ(p.x(), 500 - 122);
        EXPECT_EQ(list->pos(), QPoint(500 - 122, barTop()));
    }
    EXPECT_FALSE(list->blnOpen);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(player().calls().back(), "Stop");
    EXPECT_EQ(host.captions, (std::vector<std::string>{LoadResString(183), LoadResString(182),
                                                       LoadResString(183), LoadResString(182)}));

    // Toward another x it moves sideways as well, with no clamp at 0 on the way down.
    list->ShowList(500, 0, 0);
    list->HideList(0, 0);
    EXPECT_EQ(list->pos(), QPoint(-122, barTop()));
}

TEST_F(ListTest, ResetLocationPlacesOpenAboveTheBarAndClosedBelowTheWorkArea) {
    const QRect work = workArea();
    list->ShowList(100, 0, 0);
    list->move(3, 4);
    list->ResetLocation();
    EXPECT_EQ(list->pos(), QPoint(work.right() + 1 - 244, work.bottom() + 1 - 24 - 357));
    list->HideList(100, 0);
    list->ResetLocation();
    EXPECT_EQ(list->pos(), QPoint(100 - 122, work.bottom() + 1));
}

TEST_F(ListTest, UnloadingWhileOpenCountsAsAClose) {
    list->ShowList(100, 0, 0);
    list->Form_Unload();
    EXPECT_FALSE(list->blnOpen);
    EXPECT_EQ(host.captions.back(), LoadResString(182));
    host.captions.clear();
    list.reset();
    EXPECT_EQ(host.captions, std::vector<std::string>{LoadResString(182)});
}

} // namespace
} // namespace brisma
