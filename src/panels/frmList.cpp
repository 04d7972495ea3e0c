#include "panels/frmList.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "panels/ListHost.h"
#include "platform/ui/EventGate.h"
#include "platform/ui/StringTable.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <utility>

namespace brisma {
namespace {

constexpr int kWidth = 244;
constexpr int kHeight = 357;
constexpr int kSlideSteps = 20;
// Each slide step is held this long, so the slide is seen.
constexpr int kSlideStepMs = 8;

// The right and bottom edges of the primary screen's work area.
QPoint workAreaEnd() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        raise(err::ObjectNotSet);
    const QRect work = screen->availableGeometry();
    return {work.x() + work.width(), work.y() + work.height()};
}

} // namespace

frmList::frmList(const AppPaths& paths, const std::string& serverBase, EventGate& gate,
                 FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand, ListHost& host)
    : PanelWindow(paths, serverBase, players, std::move(onCommand), "list", kWidth, kHeight), gate_(gate),
      host_(host) {
    // Frameless, on top, never focused, not in the task bar.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);
    swfPlayer().setMovie(modulePath("list.swf"));
    swfPlayer().Stop();
    setCursor(Qt::PointingHandCursor);
    blnOpen = false;
    swfPlayer().Play();
}

frmList::~frmList() {
    Form_Unload();
}

void frmList::ReloadSWF() {
    reloadMovie("list.swf");
}

void frmList::ShowList(float x, float, int) {
    ReloadSWF();
    host_.setListMenuCaption(LoadResString(183));
    const QPoint workEnd = workAreaEnd();
    int left = static_cast<int>(std::lround(x - width() / 2.0));
    if (workEnd.x() - width() < left)
        left = workEnd.x() - width();
    if (left < 0)
        left = 0;
    const int barTop = host_.tickerTop();
    move(left, barTop);
    show();
    // The slide runs to its end before any other handler; the bar moves on meanwhile.
    gate_.pace(kSlideSteps + 1, kSlideStepMs, [&](int step) {
        move(left, barTop - height() * (step - 1) / kSlideSteps);
        repaint();
    });
    move(left, barTop - height());
    swfPlayer().GotoFrame(1);
    swfPlayer().setPlaying(true);
    blnOpen = true;
}

void frmList::HideList(float x, float) {
    // A failure part-way ends the close silently.
    onRunTimeError(
        [&] {
            host_.setListMenuCaption(LoadResString(182));
            const QPoint workEnd = workAreaEnd();
            int targetLeft = static_cast<int>(std::lround(x - width() / 2.0));
            if (workEnd.x() - width() < targetLeft)
                targetLeft = workEnd.x() - width();
            const int barTop = host_.tickerTop();
            const int startTop = y();
            const int dy = barTop - startTop;
            const int startLeft = this->x();
            const int dx = targetLeft - startLeft;
            swfPlayer().Stop();
            gate_.pace(kSlideSteps, kSlideStepMs, [&](int i) {
                move(startLeft + dx * i / kSlideSteps, startTop + dy * i / kSlideSteps);
                repaint();
            });
            hide();
            blnOpen = false;
        },
        [](long, const std::string&) {});
}

void frmList::ResetLocation() {
    const QPoint workEnd = workAreaEnd();
    if (blnOpen)
        move(workEnd.x() - width(), workEnd.y() - host_.tickerHeight() - height());
    else
        move(x(), workEnd.y());
}

void frmList::Form_Unload() {
    blnOpen = false;
    host_.setListMenuCaption(LoadResString(182));
}

} // namespace brisma
