#include "panels/frmList.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "panels/ListHost.h"
#include "platform/events/EventGate.h"
#include "platform/ui/StringTable.h"
#include "platform/wayland/LayerShellProtocol.h"
#include "platform/wayland/LayerSurface.h"

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
    // Where the compositor places the desktop's own parts, the panel is one: at the output's
    // bottom right, never focused, keeping no room of its own. It is placed by its margin alone,
    // not pushed up by the room the bar keeps (-1), so that it sits on the bar's top edge.
    if (auto link = WaylandLink::desktop()) {
        LayerSurface::Placement placement;
        placement.anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
        placement.width = kWidth;
        placement.height = kHeight;
        placement.exclusiveZone = -1;
        placement.name = "brisma-list";
        layer_ = std::make_unique<LayerSurface>(std::move(link), *this, placement);
    }
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
    const QRect work = workArea();
    // x counts from the primary screen's left edge, which need not be the desktop's.
    int left = work.x() + static_cast<int>(std::lround(x - width() / 2.0));
    if (work.x() + work.width() - width() < left)
        left = work.x() + work.width() - width();
    if (left < work.x())
        left = work.x();
    const int barTop = host_.tickerTop();
    move(left, barTop);
    if (layer_) {
        // The compositor keeps no order between two surfaces of one layer, so the panel cannot
        // rise from behind the bar there: it shows at its end, on the bar's top edge.
        layer_->setBottomMargin(host_.tickerHeight());
        show();
    } else {
        show();
        // The slide runs to its end before any other handler; the bar moves on meanwhile.
        gate_.pace(kSlideSteps + 1, kSlideStepMs, [&](int step) {
            move(left, barTop - height() * (step - 1) / kSlideSteps);
            repaint();
        });
    }
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
            const QRect work = workArea();
            int targetLeft = work.x() + static_cast<int>(std::lround(x - width() / 2.0));
            if (work.x() + work.width() - width() < targetLeft)
                targetLeft = work.x() + work.width() - width();
            const int barTop = host_.tickerTop();
            const int startTop = y();
            const int dy = barTop - startTop;
            const int startLeft = this->x();
            const int dx = targetLeft - startLeft;
            swfPlayer().Stop();
            if (layer_)
                move(startLeft + dx, startTop + dy);
            else
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
    const QRect work = workArea();
    const QPoint workEnd(work.x() + work.width(), work.y() + work.height());
    if (blnOpen)
        move(workEnd.x() - width(), workEnd.y() - host_.tickerHeight() - height());
    else
        move(x(), workEnd.y());
}

QRect frmList::workArea() const {
    const QRect work = host_.workArea();
    if (work.isEmpty())
        brisma::raise(err::ObjectNotSet);
    return work;
}

void frmList::Form_Unload() {
    blnOpen = false;
    host_.setListMenuCaption(LoadResString(182));
}

} // namespace brisma
