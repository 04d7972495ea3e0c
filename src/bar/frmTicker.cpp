#include "bar/frmTicker.h"

#include "bar/TickerArt.h"
#include "bar/TickerHost.h"
#include "bar/TickerRules.h"
#include "common/BrismaError.h"
#include "news/modChannel.h"
#include "platform/events/EventGate.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/text/Cp932.h"
#include "platform/ui/StringTable.h"
#include "report/modInet.h"
#include "userdata/modUserData.h"

#include <QAccessible>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace brisma {
namespace {

// The banner is a bitmap: read as one, no image plugin is loaded (each stays in memory for the
// client's whole life). Any other picture under that name is still read, by its contents.
QImage loadBanner(const QString& path) {
    if (!QFile::exists(path))
        return {};
    QImageReader bitmap(path, "BMP");
    bitmap.setAutoDetectImageFormat(false);
    const QImage image = bitmap.read();
    return image.isNull() ? QImage(path) : image;
}

constexpr int kBarHeight = art::kBarHeight;
// The box movie covers the bar's right end; the picture is shown left of it.
constexpr int kBoxWidth = 245;
constexpr int16_t kBannerWidth = 130;
constexpr int kBannerTop = 3;
constexpr int kBannerKey = static_cast<int>(art::kIcons.size());
constexpr int kScrollIntervalMs = 20;
constexpr int kSlideSteps = 128;
// Each slide step is held this long, so the slide is seen (about a quarter of a second).
constexpr int kSlideStepMs = 2;

int iconKey(const std::string& strNewsType) {
    const art::Icon icon = art::iconFor(strNewsType);
    for (std::size_t k = 0; k < art::kIcons.size(); ++k)
        if (art::kIcons[k] == icon)
            return static_cast<int>(k);
    return 0;
}

QScreen& primaryScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        brisma::raise(err::ObjectNotSet);
    return *screen;
}

// The text as the system's code page holds it: characters it lacks become "?".
QString asCp932(const std::string& text) {
    return QString::fromStdString(text::fromCp932(text::toCp932(text)));
}

std::string displayText(const clsBrismaNews& news) {
    return news.strNewsText + "(" + news.strContName + ")";
}

// What a screen reader says of a headline: as shown, without the brackets of a banner, which
// has no channel.
QString spokenText(const clsBrismaNews& news) {
    return QString::fromStdString(news.strContName.empty() ? news.strNewsText : displayText(news));
}

int16_t roundedX(double x) {
    const double r = std::nearbyint(x);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        brisma::raise(err::Overflow);
    return static_cast<int16_t>(r);
}

} // namespace

// The part of the bar left of the box: it shows the picture and hands its pointer events to
// the bar, whose coordinates it shares. Only its events reach the headlines: what the box leaves
// unhandled goes up to the bar window, which takes none, so nothing under the box is ever hit.
class frmTicker::View : public QWidget {
public:
    explicit View(frmTicker& bar) : QWidget(&bar), bar_(bar) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // A picture drawn on the window by its surface leaves the toolkit nothing to paint with.
    QPaintEngine* paintEngine() const override {
        return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
    }

protected:
    void paintEvent(QPaintEvent* event) override { bar_.Form_Paint(*event); }
    void mousePressEvent(QMouseEvent* event) override {
        bar_.Form_MouseDown(event->button(), event->modifiers(), event->position().x(),
                            event->position().y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        // A drag that went on over the box or off the bar is no longer over the strip.
        if (!rect().contains(event->position().toPoint()))
            return bar_.pointerGone();
        bar_.Form_MouseMove(event->buttons(), event->modifiers(), event->position().x(),
                            event->position().y());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        bar_.Form_MouseUp(event->button(), event->modifiers(), event->position().x(), event->position().y());
        // After the bar has seen the release, so its pointer state is whole when the menu opens.
        if (event->button() == Qt::RightButton)
            bar_.host_.openMenuFromTicker(event->globalPosition().toPoint());
    }
    void leaveEvent(QEvent*) override { bar_.pointerGone(); }

private:
    frmTicker& bar_;
};

frmTicker::frmTicker(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, HttpTransport& http,
                     const ScriptValues& script, const std::string& serverBase, modChannel& channels,
                     modUserData& userData, modInet& inet, FlashPlayerFactory& players,
                     FlashPlayer::CommandHandler commands, TickerHost& host)
    : rotation_(errors, script, *this), paths_(paths), errors_(errors), gate_(gate), http_(http),
      script_(script), serverBase_(serverBase), channels_(channels), userData_(userData), inet_(inet),
      host_(host), commands_(std::move(commands)), view_(new View(*this)),
      swfPlayer_(players.create("ticker", this)), swfJump_(players.create("jump", this)), strip_(errors),
      work_(errors) {
    // Frameless, on top, never focused, not in the task bar.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Brisma"));
    windowFont_ = QFont(QStringLiteral("IPAGothic"));
    windowFont_.setPointSize(9);
    headlineFont_ = QFont(QStringLiteral("IPAGothic"));
    headlineFont_.setPixelSize(12);
    // Headlines are drawn crisp, every stroke in the full text colour.
    headlineFont_.setStyleStrategy(QFont::NoAntialias);
    swfPlayer_->setCommandHandler(
        [this](const std::string& c, const std::string& a) { swfPlayer_FSCommand(c, a); });
    swfJump_->setCommandHandler(
        [this](const std::string& c, const std::string& a) { swfJump_FSCommand(c, a); });
    connect(&TimerScroll, &QTimer::timeout, this, [this] { TimerScroll_Timer(); });
    Form_Load();
}

frmTicker::~frmTicker() {
    TimerScroll.stop();
    // The picture may refer to the view's native window: release it first.
    hBufDC.reset();
}

void frmTicker::Form_Load() {
    withHandler(errors_, "frmTicker.Form_Load", [&] {
        loadTickerBanner();
        const QScreen& screen = primaryScreen();
        const QRect work = workArea();
        const int barWidth = screen.geometry().width();
        setGeometry(screen.geometry().x(), work.y() + work.height() - kBarHeight, barWidth, kBarHeight);
        view_->setGeometry(0, 0, barWidth - kBoxWidth, kBarHeight);
        if (QWidget* box = swfPlayer_->widget())
            box->setGeometry(barWidth - kBoxWidth, 0, kBoxWidth, kBarHeight);
        loadBox();
        swfPlayer_->Play();
        if (QWidget* jump = swfJump_->widget())
            jump->setGeometry(-10, -10, 1, 1);
        swfJump_->setMovie(paths_.flashModule("jump.swf"));

        declareDock(*this);
        makePictures(screen, barWidth);

        cursor104_ = art::handCursor(false);
        cursor106_ = art::handCursor(true);
        SetMaxHeadLine(6);
        intCountForBanner = 10;
        strLastClickChannel = "000";
    });
}

TickerSurface& frmTicker::picture() {
    // None when the load handler failed before it was made.
    if (!hBufDC)
        brisma::raise(err::ObjectNotSet);
    return *hBufDC;
}

void frmTicker::makePictures(const QScreen& screen, int barWidth) {
    // The previous surface may refer to the view's native window: released before the next.
    hBufDC.reset();
    hBufDC = makeTickerSurface(*view_, screen.devicePixelRatio());
    scale_ = hBufDC->scale();
    hBgBitmap = art::tile(scale_);
    QImage* icons[] = {&hBitmap_all, &hBitmap_spt, &hBitmap_biz, &hBitmap_ent, &hBitmap_cul,
                       &hBitmap_oth, &hBitmap_mov, &hBitmap_it,  &hBitmap_pr};
    for (std::size_t k = 0; k < art::kIcons.size(); ++k) {
        *icons[k] = art::icon(art::kIcons[k], scale_);
        hBufDC->store(static_cast<int>(k), *icons[k]);
    }
    hBitmap_TB = loadBanner(QString::fromStdString(paths_.tickerBannerBmp()));
    if (!hBitmap_TB.isNull()) {
        if (scale_ > 1)
            hBitmap_TB = hBitmap_TB.scaled(hBitmap_TB.size() * scale_, Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
        hBitmap_TB.setDevicePixelRatio(scale_);
    }
    hBufDC->store(kBannerKey, hBitmap_TB);
    // The slots' texts are rendered anew at the new scale when next composed.
    std::fill(strip_.renderedColour.begin(), strip_.renderedColour.end(), QRgb{0});
    createPicture(barWidth);
}

void frmTicker::createPicture(int width) {
    picture().resize(width, kBarHeight, hBgBitmap, ticker::tileCount(width));
}

void frmTicker::loadTickerBanner() {
    withHandler(errors_, "frmTicker.loadTickerBanner >", [&] {
        if (!fs::existFolder(paths_.flashFolder()))
            fs::makeFolder(paths_.flashFolder());
        const std::string bytes = http_.get(script_.tickerBannerUrl);
        // Replaced in one step: a failed write leaves the previous image whole.
        fs::writeFileAtomic(paths_.tickerBannerBmp(), bytes);
    });
}

void frmTicker::ReloadSWF() {
    swfPlayer_->setMovie(serverBase_);
    loadBox();
}

void frmTicker::loadBox() {
    swfPlayer_->setMovie(paths_.flashModule("box.swf"));
    // Hidden, the empty player shows nothing and takes no click: the bar window under it takes
    // none either.
    if (QWidget* box = swfPlayer_->widget())
        box->setVisible(swfPlayer_->hasMovie());
}

void frmTicker::paintEvent(QPaintEvent* event) {
    if (hBgBitmap.isNull())
        return;
    QPainter p(this);
    const QRect area = event->rect();
    // Tiles from the bar's left edge, as the picture lays them.
    for (int x = area.left() - area.left() % art::kTileWidth; x <= area.right(); x += art::kTileWidth)
        p.drawImage(QPoint(x, 0), hBgBitmap);
}

void frmTicker::SetMaxHeadLine(int16_t n) {
    intMaxHeadLine = n;
    strip_.reset(n);
}

int32_t frmTicker::InitTicker() {
    intPosition = 0;
    const int16_t n = ticker::slotCountForWidth(primaryScreen().availableGeometry().width());
    SetMaxHeadLine(n);
    // Before the first merged list there is nothing to show: the slots stay empty.
    const auto list = channels_.objNewsList;
    if (!list)
        return 0;
    work_.init();
    for (int16_t k = 0; k < n; ++k) {
        list->CopyTo(work_, k);
        InsertNews(work_);
        ++intPosition;
    }
    // One name for the whole fill, not one per slot.
    nameHeadline();
    return 0;
}

int32_t frmTicker::GetTextWidth(const std::string& str) {
    int32_t width = 0;
    onRunTimeError(
        [&] {
            const std::size_t bytes = text::cp932Length(str);
            const std::string cp932 = text::toCp932(str).substr(0, bytes);
            width =
                QFontMetrics(windowFont_).horizontalAdvance(QString::fromStdString(text::fromCp932(cp932)));
        },
        [&](long number, const std::string&) {
            errors_.ErrorEnd(number, "GetTextWidth");
            width = 0;
        });
    return width;
}

int32_t frmTicker::InsertNews(const clsBrismaNews& udtTmpNews) {
    return withHandler(errors_, "frmTicker.InsertNews>", int32_t{-1}, [&] {
        if (strip_.size() < 2)
            brisma::raise(err::SubscriptOutOfRange);
        strip_.shift();
        const int32_t result = strip_.udtSlotNews[0].CopyFrom(udtTmpNews);
        const bool banner = udtTmpNews.strNewsType == "tbn";
        strip_.intSlotWidth[0] = banner ? kBannerWidth
                                        : static_cast<int16_t>(std::min<int32_t>(
                                              GetTextWidth(displayText(udtTmpNews)), TickerStrip::kMaxWidth));
        // After a spell in which nothing arrived the strip has run out; the next headline comes
        // in where the first of a new strip does, not unseen beyond the bar's left edge.
        strip_.intSlotX[0] = static_cast<int16_t>(std::max(
            strip_.intSlotX[1] + strip_.intSlotWidth[1] + TickerStrip::kGap, int{TickerStrip::kGap}));
        if (!banner)
            renderText(0, ticker::textColour(strip_.udtSlotNews[0].blnClicked, intOnMouse == 0));
        return result;
    });
}

void frmTicker::renderText(std::size_t slot, QRgb colour) {
    const clsBrismaNews& news = strip_.udtSlotNews[slot];
    picture().store(strip_.textKey[slot], art::slotText(asCp932(displayText(news)), colour,
                                                        strip_.intSlotWidth[slot], headlineFont_, scale_));
    strip_.renderedColour[slot] = colour;
}

void frmTicker::compose() {
    TickerSurface& picture = this->picture();
    picture.clear();
    const int barWidth = width();
    for (std::size_t i = 0; i < strip_.intSlotX.size(); ++i) {
        const int x = strip_.intSlotX[i];
        const int w = strip_.intSlotWidth[i];
        // Wholly outside the picture: nothing of it would show.
        if (x + w <= 0 || x - art::kIconWidth >= barWidth)
            continue;
        const clsBrismaNews& news = strip_.udtSlotNews[i];
        if (news.strNewsType != "tbn") {
            const QRgb colour = ticker::textColour(news.blnClicked, intOnMouse == static_cast<int16_t>(i));
            if (colour != strip_.renderedColour[i])
                renderText(i, colour);
            picture.copy(strip_.textKey[i], x, art::kTextTop, w, art::kTextHeight);
        } else {
            picture.copy(kBannerKey, x, kBannerTop, kBannerWidth, kBarHeight);
        }
        picture.copy(iconKey(news.strNewsType), x - art::kIconWidth, 0, art::kIconWidth, kBarHeight);
    }
}

int32_t frmTicker::DrawBar() {
    if (blnScroll)
        return 0;
    compose();
    BitBltTicker(*this);
    return 0;
}

int32_t frmTicker::BitBltTicker(const QWidget& frmObject) {
    return errorNumberOf([&] {
        picture().present(frmObject.width() - kBoxWidth, frmObject.height());
        return 0;
    });
}

void frmTicker::Form_Paint(const QPaintEvent& event) {
    // The last composed picture: composing is the tick's work.
    withHandler(errors_, "frmTicker.Form_Paint >", [&] {
        if (hBufDC)
            hBufDC->paint(*view_, event);
    });
}

void frmTicker::StartTicker() {
    withNamedHandler(errors_, "StartTicker", [&] { TimerScroll.start(kScrollIntervalMs); });
}

void frmTicker::StopTicker() {
    withHandler(errors_, "frmTicker.StopTicker >", [&] { TimerScroll.stop(); });
}

void frmTicker::TimerScroll_Timer() {
    // A held strip neither moves nor repaints; its picture changes only with the lit slot.
    const bool moving = !held_;
    if (moving)
        ScrollBar2();
    onRunTimeError(
        [&] {
            if (moving) {
                // A headline that moves under a still pointer holds the strip.
                if (pointerX_ >= 0)
                    pointerAt(pointerX_);
                // A hidden bar keeps moving but shows nothing.
                if (blnOpen)
                    DrawBar();
            }
            // Only a lit slot or a held strip needs the pointer's position.
            if (intOnMouse != -1 || held_) {
                const QPoint pointer = picture().pointerPos();
                const QRect bar = geometry();
                if (pointer.y() < bar.y() || pointer.y() > bar.y() + bar.height() || pointer.x() < bar.x() ||
                    pointer.x() > bar.x() + bar.width() - kBoxWidth)
                    pointerGone();
            }
        },
        // The next tick starts afresh.
        [](long, const std::string&) {});
}

int32_t frmTicker::ScrollBar2() {
    int32_t result = 0;
    onRunTimeError(
        [&] {
            strip_.move();
            if (strip_.finished() < 0)
                return;
            if (const auto list = channels_.objNewsList)
                rotation_.next(*list, blnOpen);
        },
        [&](long number, const std::string& description) {
            intCountForBanner = 0;
            errors_.ErrorEnd(number, "frmTicker.ScrollBar2 >" + description);
            result = -1;
        });
    return result;
}

const clsBrismaNews* frmTicker::adText(int16_t channel) {
    const int16_t index = channels_.GetChannelIndex(channel);
    if (index < 0)
        return nullptr;
    const auto& text = channels_.objChannel[static_cast<std::size_t>(index)].udtAdText;
    return text ? &*text : nullptr;
}

void frmTicker::lay(const clsBrismaNews& news) {
    InsertNews(news);
    nameHeadline();
}

void frmTicker::reportBanner(const clsBrismaNews& banner) {
    inet_.SendViewLog(banner.strViewURL);
    inet_.SendAdViewLog(banner.strID, "ticker_banner");
}

void frmTicker::slide(int from, int to) {
    const int top = y();
    // Between the steps the strip moves on unseen, the windows repaint and the watch runs; every
    // other handler waits for the end of the slide.
    gate_.pace(kSlideSteps, kSlideStepMs, [&](int step) {
        move(from + static_cast<int>(std::lround(static_cast<double>(to - from) * step / kSlideSteps)), top);
        BitBltTicker(*this);
    });
}

void frmTicker::reserveRoom(bool reserve) {
    if (reserveBottom(*this, reserve) && reserve)
        reservedTop_ = y();
    else
        reservedTop_.reset();
}

QRect frmTicker::workArea() const {
    QRect work = primaryScreen().availableGeometry();
    // Once the window manager has taken the reservation in, the work area it reports ends at
    // the bar's top.
    if (reservedTop_ && work.y() + work.height() == *reservedTop_)
        work.setHeight(work.height() + kBarHeight);
    return work;
}

void frmTicker::OpenTicker() {
    withNamedHandler(errors_, "OpenTicker", [&] {
        // Painting is suppressed during the slide: it shows the picture composed now.
        compose();
        blnScroll = true;
        const QRect screen = primaryScreen().geometry();
        move(screen.x() + screen.width(), y());
        show();
        blnOpen = true;
        slide(screen.x() + screen.width(), screen.x());
        // On top through the window's kind: it stays above while open and is hidden when closed.
        move(screen.x(), y());
        reserveRoom(true);
        host_.setTickerMenuCaption(LoadResString(101));
        blnScroll = false;
    });
}

void frmTicker::CloseTicker() {
    withNamedHandler(errors_, "CloseTicker", [&] {
        pointerGone();
        blnScroll = true;
        blnOpen = false;
        reserveRoom(false);
        const QRect screen = primaryScreen().geometry();
        move(screen.x(), y());
        slide(screen.x(), screen.x() + screen.width());
        hide();
        host_.setTickerMenuCaption(LoadResString(102));
        blnScroll = false;
    });
}

void frmTicker::ResetLocation() {
    const QScreen& screen = primaryScreen();
    const QRect work = workArea();
    const int barWidth = work.width();
    // On the primary screen, which may be another one than before: shown at its left edge,
    // hidden beyond its right edge, where the next opening starts from.
    const QRect whole = screen.geometry();
    const int left = blnOpen ? whole.x() : whole.x() + whole.width();
    setGeometry(left, work.y() + work.height() - height(), barWidth, kBarHeight);
    if (blnOpen)
        reserveRoom(true);
    view_->setGeometry(0, 0, barWidth - kBoxWidth, kBarHeight);
    if (QWidget* box = swfPlayer_->widget())
        box->setGeometry(barWidth - kBoxWidth, 0, kBoxWidth, kBarHeight);
    if (!hBufDC || !hBufDC->suits(screen.devicePixelRatio()))
        makePictures(screen, barWidth);
    else
        createPicture(barWidth);
}

int16_t frmTicker::GetClicked(int16_t intX, clsBrismaNews& udtRetNews) {
    const int16_t i = strip_.hit(intX);
    if (i >= 0) {
        strip_.udtSlotNews[static_cast<std::size_t>(i)].CopyTo(udtRetNews);
        strip_.udtSlotNews[static_cast<std::size_t>(i)].blnClicked = true;
    }
    return i;
}

int16_t frmTicker::GetMoved(int16_t intX, clsBrismaNews& udtRetNews) {
    const int16_t i = strip_.hit(intX);
    if (i >= 0)
        strip_.udtSlotNews[static_cast<std::size_t>(i)].CopyTo(udtRetNews);
    return i;
}

void frmTicker::JumpByFlash(const std::string& url) {
    swfJump_->setFlashVars("url=" + ticker::escapeForJump(url));
    swfJump_->setMovie(paths_.flashModule("jump.swf"));
    swfJump_->GotoFrame(0);
    swfJump_->setPlaying(true);
}

QWidget& frmTicker::view() {
    return *view_;
}

QWidget* frmTicker::box() const {
    return swfPlayer_ ? swfPlayer_->widget() : nullptr;
}

void frmTicker::setCustomIcon(bool held) {
    customHeld_ = held;
    if (view_->cursor().shape() == Qt::BitmapCursor)
        showCustomCursor();
}

void frmTicker::showCustomCursor() {
    view_->setCursor(customHeld_ ? cursor106_ : cursor104_);
}

void frmTicker::Form_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, double x, double) {
    withHandler(errors_, "frmTicker.Form_MouseDown >", [&] {
        blnMouseUp = false;
        if (button != Qt::LeftButton)
            return;
        setCustomIcon(true);
        // The headline under the pointer now; what the click does waits for the procedure in
        // progress, like every other user command, while the strip moves on.
        auto news = std::make_shared<clsBrismaNews>(errors_);
        if (GetClicked(roundedX(x), *news) < 0)
            return;
        gate_.run([this, news] {
            withHandler(errors_, "frmTicker.Form_MouseDown >", [&] { openClicked(*news); });
        });
    });
}

void frmTicker::openClicked(const clsBrismaNews& news) {
    userData_.setClickLog(news);
    if (news.strNewsType != "mov") {
        strLastClickChannel = ticker::nextClickMark(news.strID, strLastClickChannel);
        JumpByFlash(news.strNewsUrl);
    } else {
        host_.playMovie(news.strMovieId);
        inet_.SendViewLog(news.strViewURL);
    }
}

void frmTicker::Form_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, double x, double) {
    withHandler(errors_, "frmTicker.Form_MouseMove >", [&] {
        const int16_t lit = intOnMouse;
        pointerAt(roundedX(x));
        // The tick of a held strip paints nothing: a change of the lit slot is shown now.
        if (held_ && intOnMouse != lit)
            DrawBar();
        if (intOnMouse >= 0) {
            if (blnMouseUp)
                customHeld_ = false;
            showCustomCursor();
        } else {
            view_->setCursor(Qt::ArrowCursor);
        }
    });
}

void frmTicker::pointerAt(int16_t x) {
    pointerX_ = x;
    const int16_t lit = intOnMouse;
    const bool held = held_;
    // Every slot lights up under the pointer.
    intOnMouse = GetMoved(x, work_);
    if (intOnMouse >= 0 && blnOpen && !blnScroll)
        held_ = true;
    if (intOnMouse != lit || held_ != held)
        nameHeadline();
}

void frmTicker::pointerGone() {
    const bool named = held_ && intOnMouse >= 0;
    pointerX_ = -1;
    held_ = false;
    intOnMouse = -1;
    if (named)
        nameHeadline();
}

void frmTicker::nameHeadline() {
    if (!QAccessible::isActive() || strip_.size() == 0)
        return;
    const int16_t slot = held_ && intOnMouse >= 0 ? intOnMouse : 0;
    const QString name = spokenText(strip_.udtSlotNews[static_cast<std::size_t>(slot)]);
    // Every setting raises the name-changed event, and a screen reader speaks each one.
    if (name != accessibleName())
        setAccessibleName(name);
}

void frmTicker::Form_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    blnMouseUp = true;
    customHeld_ = false;
    showCustomCursor();
}

void frmTicker::swfPlayer_FSCommand(const std::string& command, const std::string& args) {
    withHandler(errors_, "frmTicker.swfPlayer_FSCommand >", [&] {
        if (commands_)
            commands_(command, args);
    });
}

void frmTicker::swfJump_FSCommand(const std::string& command, const std::string& args) {
    withHandler(errors_, "frmTicker.swfJump_FSCommand>", [&] {
        if (commands_)
            commands_(command, args);
    });
}

} // namespace brisma
