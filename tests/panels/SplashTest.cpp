#include "RecordingFlashPlayer.h"
#include "TestContext.h"
#include "panels/frmSplash.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

namespace brisma {
namespace {

// Lets events run for `ms` milliseconds.
void runEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(SplashTest, AQuickHideWaitsOnItsOwnNeverHidesAPanelShownAgainAndDiesWithThePanel) {
    test::TestContext t;
    RecordingPlayerFactory players;
    auto splash = std::make_unique<frmSplash>(t.paths, t.serverBase, players,
                                              [](const std::string&, const std::string&) {});
    splash->show();
    splash->hide();
    EXPECT_TRUE(splash->isVisible()) << "hidden before it was seen";
    runEventsFor(frmSplash::MinimumShownMs + 300);
    EXPECT_FALSE(splash->isVisible()) << "the hide never came";

    // Shown again while a hide is pending: that hide is dropped.
    splash->show();
    splash->hide();
    splash->show();
    runEventsFor(frmSplash::MinimumShownMs + 300);
    EXPECT_TRUE(splash->isVisible()) << "an old hide closed the panel shown again";
    splash->hide(); // shown long enough: at once
    EXPECT_FALSE(splash->isVisible());

    // The panel goes with its hide still pending, as at the end of the process.
    splash->show();
    splash->hide();
    splash.reset();
    runEventsFor(frmSplash::MinimumShownMs + 300);
}

} // namespace
} // namespace brisma
