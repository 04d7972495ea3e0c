#pragma once

#include "bar/TickerLane.h"
#include "bar/TickerRotation.h"
#include "bar/TickerStrip.h"
#include "bar/TickerSurface.h"
#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaNews.h"
#include "platform/player/FlashPlayer.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QScreen;

namespace brisma {

class EventGate;
class HttpTransport;
class modChannel;
class modInet;
class modUserData;
class TickerHost;

// The headline bar along the bottom of the work area: a strip of headlines moving right to
// left, the box movie at its right end and a hidden jump movie that opens addresses.
class frmTicker : public QWidget, private TickerLane {
    // Made before the fields below that name its state.
    TickerRotation rotation_;

public:
    // `commands` receives every command of the bar's two movies.
    frmTicker(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, HttpTransport& http,
              const ScriptValues& script, const std::string& serverBase, modChannel& channels,
              modUserData& userData, modInet& inet, FlashPlayerFactory& players,
              FlashPlayer::CommandHandler commands, TickerHost& host);
    ~frmTicker() override;

    int16_t intMaxHeadLine = 0;
    // Index in the headline list of the next headline to lay in.
    int16_t& intPosition = rotation_.position;
    // Sliding in or out: painting is suppressed.
    bool blnScroll = false;
    bool blnOpen = false;
    // The off-screen picture, bar width x bar height.
    std::unique_ptr<TickerSurface> hBufDC;
    QImage hBgBitmap;
    QImage hBitmap_all, hBitmap_spt, hBitmap_biz, hBitmap_ent, hBitmap_cul, hBitmap_oth, hBitmap_mov,
        hBitmap_it, hBitmap_pr;
    // The bar banner image; null when the file is missing or no image.
    QImage hBitmap_TB;
    // Slot under the pointer; -1 when none.
    int16_t intOnMouse = -1;
    int16_t& intCountForBanner = rotation_.countForBanner;
    // Channel mark of the last click, "000" when none.
    std::string& strLastClickChannel = rotation_.lastClickChannel;
    // No mouse button is held on the bar.
    bool blnMouseUp = true;
    QTimer TimerScroll;

    void ReloadSWF();
    int32_t InitTicker();
    void OpenTicker();
    void CloseTicker();
    void StartTicker();
    void StopTicker();
    int32_t GetTextWidth(const std::string& str);
    int32_t InsertNews(const clsBrismaNews& udtTmpNews);
    int16_t GetClicked(int16_t intX, clsBrismaNews& udtRetNews);
    int16_t GetMoved(int16_t intX, clsBrismaNews& udtRetNews);
    int32_t DrawBar();
    int32_t BitBltTicker(const QWidget& frmObject);
    void JumpByFlash(const std::string& url);
    void ResetLocation();
    // The primary screen's work area without the room the open bar reserves for itself, so
    // that the bar and the list placed from it do not climb.
    QRect workArea() const;
    int32_t ScrollBar2();

    // Handlers of the window, its timer and its movies.
    void Form_Paint(const QPaintEvent& event);
    void Form_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x, double y);
    void Form_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    void Form_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x, double y);
    void TimerScroll_Timer();
    void swfPlayer_FSCommand(const std::string& command, const std::string& args);
    void swfJump_FSCommand(const std::string& command, const std::string& args);

    FlashPlayer& swfPlayer() { return *swfPlayer_; }
    // The slots, for the windows and tests that look at the strip.
    const TickerStrip& slots() const { return strip_; }
    // The widget that shows the picture (the strip left of the box).
    QWidget& view();
    // The box movie's widget (hidden while its movie did not load); none before its player is
    // made or where the player has no view.
    QWidget* box() const;

private:
    class View;

    void Form_Load();
    const clsBrismaNews* adText(int16_t channel) override;
    void lay(const clsBrismaNews& news) override;
    void reportBanner(const clsBrismaNews& banner) override;
    void loadTickerBanner();
    // Logs, reports and opens a clicked headline, or plays its movie.
    void openClicked(const clsBrismaNews& news);
    void SetMaxHeadLine(int16_t n);
    // The picture composed from the slots, without showing it.
    void compose();
    void renderText(std::size_t slot, QRgb colour);
    void createPicture(int width);
    // The surface at `screen`'s pixel density, with the icons and the banner stored in it.
    void makePictures(const QScreen& screen, int barWidth);
    TickerSurface& picture();
    void slide(int from, int to);
    // While open the bar keeps maximised windows above it; closed it reserves nothing.
    void reserveRoom(bool reserve);
    // Loads the box movie; one the player cannot load leaves its area to the bar's background.
    void loadBox();
    // The bar's own background where no child covers it (the area of a box that did not load).
    void paintEvent(QPaintEvent* event) override;
    void showCustomCursor();
    void setCustomIcon(bool held);
    // Lights the slot under the pointer at `x` and holds the strip while it lights one.
    void pointerAt(int16_t x);
    // The pointer has left the strip: it moves on and nothing is lit.
    void pointerGone();
    // Names the bar for a screen reader: the headline under the pointer while the strip waits
    // under it, else the newest one. Nothing is done while no assistive technology listens.
    void nameHeadline();

    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    HttpTransport& http_;
    const ScriptValues& script_;
    const std::string& serverBase_;
    modChannel& channels_;
    modUserData& userData_;
    modInet& inet_;
    TickerHost& host_;
    FlashPlayer::CommandHandler commands_;
    View* view_;
    std::unique_ptr<FlashPlayer> swfPlayer_;
    std::unique_ptr<FlashPlayer> swfJump_;
    TickerStrip strip_;
    // The record the start's fill and every hit test work on; its strings keep their capacity.
    clsBrismaNews work_;
    QFont windowFont_;
    QFont headlineFont_;
    QCursor cursor104_;
    QCursor cursor106_;
    bool customHeld_ = false;
    int scale_ = 1;
    // The top the bar reserved the screen's bottom from, while it does.
    std::optional<int> reservedTop_;
    // The strip stands still under the pointer, from its first headline until it leaves.
    bool held_ = false;
    // The pointer's last x over the strip; -1 when it is elsewhere.
    int16_t pointerX_ = -1;
};

} // namespace brisma
