#include "BarFixture.h"
#include "bar/TickerArt.h"
#include "bar/TickerRules.h"

#include <utility>

namespace brisma::test {
namespace {

TEST(BarRules, SlotCountFollowsTheExactWorkAreaWidth) {
    const std::pair<int, int> table[] = {{320, 3},  {640, 4},   {800, 4},   {1024, 4}, {1152, 5},
                                         {1280, 5}, {1365, 6},  {1366, 10}, {1400, 6}, {1600, 7},
                                         {2048, 8}, {1920, 10}, {1860, 10}, {0, 10}};
    for (const auto& [width, n] : table)
        EXPECT_EQ(ticker::slotCountForWidth(width), n) << width;
}

TEST(BarRules, TheJumpAddressEscapesFiveCharactersInOrder) {
    const std::pair<const char*, const char*> table[] = {{"a.b/c?d=1&e=2", "a%2Eb%2Fc?d=1%26e=2"},
                                                         {"http://x.jp/a", "http%3A%2F%2Fx%2Ejp%2Fa"},
                                                         {"100%&%3A", "100%25%26%253A"},
                                                         {"", ""}};
    for (const auto& [url, escaped] : table)
        EXPECT_EQ(ticker::escapeForJump(url), escaped) << url;
}

class Layout : public BarTest {};

TEST_F(Layout, TheStartFillsEverySlotSixtyPixelsApartOldestAtSixty) {
    setList(
        {{"0052026120800000001", "abc"}, {"0052026120800000002", "あいう"}, {"0052026120800000003", "ﾍｯﾄﾞ"}});
    EXPECT_EQ(bar->InitTicker(), 0);
    const TickerStrip& s = bar->slots();
    ASSERT_EQ(bar->intMaxHeadLine, 10);
    EXPECT_EQ(bar->intPosition, 10);
    EXPECT_EQ(s.intSlotX[9], 60);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(s.intSlotX[i], s.intSlotX[i + 1] + s.intSlotWidth[i + 1] + 60) << i;
    // Measured in the code page: 6 pixels a single byte, 12 a double byte; "(C)" is 18.
    EXPECT_EQ(s.intSlotWidth[9], 18 + 18);
    EXPECT_EQ(s.intSlotWidth[8], 36 + 18);
    EXPECT_EQ(s.intSlotWidth[7], 24 + 18);
    // The list ran out: the last entry copied fills the remaining slots.
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(s.udtSlotNews[i].strID, "0052026120800000003") << i;
    EXPECT_EQ(bar->GetTextWidth("é"), 6) << "a character the code page lacks is measured as its ?";
    EXPECT_EQ(bar->GetTextWidth(""), 0);
    // A text wider than 16-bit geometry holds is cut, and the strip stays in order.
    clsBrismaNews endless(t->app().errors());
    endless.strNewsText = std::string(4000, 'x');
    ASSERT_EQ(bar->InsertNews(endless), 1);
    EXPECT_EQ(s.intSlotWidth[0], TickerStrip::kMaxWidth);
    EXPECT_EQ(s.intSlotX[0], s.intSlotX[1] + s.intSlotWidth[1] + 60);
}

TEST_F(Layout, WithoutAMergedListTheStripStaysEmptyAndNothingFails) {
    ASSERT_EQ(t->app().channels().objNewsList, nullptr);
    EXPECT_EQ(bar->InitTicker(), 0);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(bar->ScrollBar2(), 0);
    bar->DrawBar();
    const QImage picture = bar->hBufDC->readBack().convertToFormat(QImage::Format_RGB32);
    const QImage tile = art::tile(1);
    for (int x = 0; x < bar->width() - 245; x += 7)
        ASSERT_EQ(picture.pixel(x, 12), tile.pixel(x % 32, 12)) << x;
    EXPECT_TRUE(t->errors->reports.empty());
}

TEST_F(Layout, SlotPositionsStayInRangeAndTheBarComesDownFromOnePixelAbove) {
    // Ten of the widest texts in a row: each still 60 pixels after the one before.
    setList({{"0052026120800000001", std::string(4000, 'x')}});
    bar->InitTicker();
    const TickerStrip& s = bar->slots();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(s.intSlotX[i], s.intSlotX[i + 1] + s.intSlotWidth[i + 1] + 60) << i;

    // A list without any text lays nothing in: the strip runs out and stays out, for longer than
    // a slot position could count down.
    setList({{"0052026120800000001", ""}, {"0052026120800000002", ""}});
    bar->InitTicker();
    t->errors->reports.clear();
    for (int step = 0; step < 70000; ++step) {
        const std::vector<int16_t> before = s.intSlotX;
        ASSERT_EQ(bar->ScrollBar2(), 0);
        for (std::size_t i = 0; i < before.size(); ++i)
            ASSERT_LE(s.intSlotX[i], before[i]) << "step " << step << ", slot " << i;
    }
    for (std::size_t i = 0; i < s.intSlotX.size(); ++i)
        EXPECT_LT(s.intSlotX[i] + s.intSlotWidth[i], 0) << i;
    clsBrismaNews hit(t->app().errors());
    for (int16_t x = 0; x < bar->width(); x += 5)
        ASSERT_EQ(bar->GetClicked(x, hit), -1) << x;
    EXPECT_TRUE(t->errors->reports.empty()) << t->errors->reports.front().text;

    // A bar whose lower edge is a pixel above the work area's bottom comes down onto it.
    frmMain& main = t->app().main();
    main.TimerApp_Timer();
    const QPoint home(bar->x(), bar->screen()->availableGeometry().bottom() + 1 - 24);
    bar->move(home.x(), home.y() - 1);
    main.TimerApp_Timer();
    EXPECT_EQ(bar->pos(), home);
}

TEST_F(Layout, TheBannerIsStoredWhateverTheAnswerAndKeptWhenTheDownloadFails) {
    EXPECT_EQ(folder.read("/flash/ticker_banner.bmp"), bannerBmp());
    EXPECT_FALSE(bar->hBitmap_TB.isNull());

    TestServer::Response page;
    page.status = 404;
    page.body = "<html>Not Found</html>";
    server.route("/ticker_banner.bmp", page);
    t->app().unloadTicker();
    bar = &t->app().ticker();
    EXPECT_EQ(folder.read("/flash/ticker_banner.bmp"), page.body);
    EXPECT_TRUE(bar->hBitmap_TB.isNull());
    EXPECT_FALSE(t->errors->has("frmTicker"));

    server.route("/ticker_banner.bmp", bannerBmp());
    t->app().unloadTicker();
    t->app().ticker();
    t->app().script().tickerBannerUrl.clear();
    t->app().unloadTicker();
    bar = &t->app().ticker();
    EXPECT_TRUE(t->errors->has("frmTicker.loadTickerBanner >"));
    EXPECT_EQ(folder.read("/flash/ticker_banner.bmp"), bannerBmp());
    EXPECT_FALSE(bar->hBitmap_TB.isNull());
}

TEST_F(Layout, TheBarSitsOnTheWorkAreasBottomWithTheBoxAtItsRightEnd) {
    const QRect work = bar->screen()->availableGeometry();
    EXPECT_EQ(bar->geometry(), QRect(0, work.bottom() + 1 - 24, bar->screen()->geometry().width(), 24));
    EXPECT_EQ(bar->view().geometry(), QRect(0, 0, bar->width() - 245, 24));
    auto* box = t->players.player("ticker");
    EXPECT_EQ(box->calls(), (std::vector<std::string>{"Movie=" + folder.path() + "/flash/box.swf", "Play"}));
    bar->ReloadSWF();
    EXPECT_EQ(box->movie(), folder.path() + "/flash/box.swf");
}

} // namespace
} // namespace brisma::test
