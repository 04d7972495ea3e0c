#include "shell/frmMain.h"

#include "bar/frmTicker.h"
#include "common/BrismaError.h"
#include "movie/frmMovie.h"
#include "movie/modMovieLoader.h"
#include "news/modChannel.h"
#include "panels/frmChannel.h"
#include "panels/frmList.h"
#include "panels/frmSplash.h"
#include "panels/frmStart.h"
#include "panels/frmUser.h"
#include "panels/modFlashLoader.h"
#include "platform/fs/FileSystem.h"
#include "platform/ui/StringTable.h"
#include "shell/AppIcon.h"
#include "shell/Application.h"
#include "shell/modApp.h"
#include "userdata/modUserData.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace brisma {
namespace {

// The screens' signals re-place the bar at once; the watch's own poll only catches what they
// miss, once a second, in the same wake-up as the refresh counter's tick.
constexpr int kPlacementWatchMs = 1000;
constexpr int kRefreshTickMs = 1000;
constexpr int kTicksBetweenRefreshes = 300;
// Waits between requests for a server script that did not come grow up to this.
constexpr int kLongestScriptRetryMs = 60000;
constexpr int kTrayLeftClick = 514;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Replaces cut short by a crash leave their temporary files beside the files they were to
// replace; only this instance writes the folder now, so none of them is still being written.
void removeInterruptedReplaces(const AppPaths& paths) {
    std::vector<std::string> folders = {paths.appPath(), paths.flashFolder(), paths.xmlFolder(),
                                        paths.bannerFolder()};
    const std::string movies = paths.movieRoot();
    if (fs::existFolder(movies)) {
        folders.push_back(movies);
        for (const auto& name : fs::listFolder(movies, false))
            if (fs::isSafeName(name) && fs::existFolder(movies + name))
                folders.push_back(movies + name);
    }
    for (const auto& folder : folders)
        fs::removeTemporaryFiles(folder);
}

} // namespace

frmMain::frmMain(Application& app) : app_(app) {
    setWindowTitle(QStringLiteral("Brisma"));
    mnuPopup.setTitle(QStringLiteral("PopUp"));
    mnApp = mnuPopup.addAction(QStringLiteral("開閉"));
    mnNewsList = mnuPopup.addAction(QStringLiteral("NewsList"));
    mnuPopup.addSeparator();
    mnuChange = mnuPopup.addAction(QStringLiteral("ﾁｬﾝﾈﾙ設定(&C)"));
    mnuPopup.addSeparator();
    mnuAbout = mnuPopup.addAction(QStringLiteral("設定"));
    mnuPopup.addSeparator();
    mnFin = mnuPopup.addAction(QStringLiteral("終了"));
    // The bar starts closed.
    mnNewsList->setEnabled(false);
    onMenu(mnApp, &frmMain::mnApp_Click);
    onMenu(mnNewsList, &frmMain::mnNewsList_Click);
    onMenu(mnuChange, &frmMain::mnuChange_Click);
    onMenu(mnuAbout, &frmMain::mnuAbout_Click);
    onMenu(mnFin, &frmMain::mnFin_Click);

    connect(&TimerApp, &QTimer::timeout, this, [this] { TimerApp_Timer(); });
    scriptRetry_.setSingleShot(true);
    connect(&scriptRetry_, &QTimer::timeout, this,
            [this] { app_.handle([this] { LoadStep(&frmMain::TryScript); }); });
    // Ticks that arrive while a procedure runs wait for it; they collapse into one, as pending
    // timer ticks always did, so a long refresh cannot queue up the next ones behind it.
    connect(&TimerHTTP, &QTimer::timeout, this, [this] {
        if (httpTickPending_)
            return;
        httpTickPending_ = true;
        app_.handle([this] {
            httpTickPending_ = false;
            TimerHTTP_Timer();
        });
    });
}

frmMain::~frmMain() = default;

void frmMain::onMenu(QAction* item, void (frmMain::*command)()) {
    connect(item, &QAction::triggered, this,
            [this, command] { app_.handle([this, command] { (this->*command)(); }); });
}

std::string frmMain::GetString(const std::string& text, const std::string& delimiter) {
    const auto at = text.find(delimiter);
    return at == std::string::npos ? text : text.substr(0, at);
}

void frmMain::Form_Load() {
    LoadStep(&frmMain::StartUp);
}

void frmMain::LoadStep(void (frmMain::*step)()) {
    bool failed = false;
    onRunTimeError([&] { (this->*step)(); },
                   [&](long number, const std::string& description) {
                       app_.errors().ErrorEnd(number, "frmMain.Load >" + description);
                       failed = true;
                   });
    // A failure anywhere in start-up ends the application.
    if (failed)
        app_.app().EndApp();
}

void frmMain::StartUp() {
    modApp& app = app_.app();
    // Another instance holds the folder: it is asked to come into view, and this one ends
    // before touching anything.
    if (!app_.instanceLock().lock(app_.services().paths.appPath(), false)) {
        app_.instanceChannel().ask();
        app.EndApp();
    }
    app_.instanceChannel().listen([this] { app_.handle([this] { BringIntoView(); }); });
    TryScript();
}

void frmMain::TryScript() {
    if (!app_.app().GetScriptXML()) {
        WaitForScript();
        return;
    }
    if (waitingForScript_)
        StopWaitingForScript();
    StartWithScript();
}

// Nothing in the folder is written, moved or deleted before the script has come.
void frmMain::StartWithScript() {
    modApp& app = app_.app();
    modUserData& userData = app_.userData();

    // Leftovers that cannot be listed harm nothing: the start goes on.
    onRunTimeError([&] { removeInterruptedReplaces(app_.services().paths); },
                   [](long, const std::string&) {});
    app.ConfigureFolder();
    userData.loadPrefectureXML();
    app_.flashLoader().updateSplashFlash();
    frmSplash& splash = app_.splash();
    splash.show();
    splash.swfPlayer().GotoFrame(0);
    splash.swfPlayer().setPlaying(true);
    app_.flashLoader().updateFlash();
    SetConst();
    app.LoadUserFiles();
    move(-5000, -5000);
    app_.list();
    // A profile without the server's id was never registered: it registers first.
    if (userData.existUserXML() && !app_.user().strUserID.empty()) {
        if (!userData.checkVersion(LoadResString(119))) {
            app.blnFirstStart = false;
            userData.updateUserData();
        }
        app.StartApp();
    } else {
        app.blnFirstStart = true;
        app.InitApp();
        app.FirstStart();
    }
    splash.hide();
    startedUp_ = true;
}

void frmMain::BringIntoView() {
    // While starting there is nothing to show yet; the asking start ends all the same.
    if (!startedUp_)
        return;
    withNamedHandler(app_.errors(), "BringIntoView", [&] {
        if (app_.app().blnFirstStart) {
            for (QWidget* panel :
                 {static_cast<QWidget*>(app_.loadedChannel()), static_cast<QWidget*>(app_.loadedStart())}) {
                if (panel && panel->isVisible()) {
                    panel->raise();
                    panel->activateWindow();
                    return;
                }
            }
            return;
        }
        frmTicker* ticker = app_.loadedTicker();
        if (ticker && !ticker->blnOpen)
            ToggleTicker();
        else if (ticker)
            ticker->raise();
    });
}

void frmMain::WaitForScript() {
    if (!waitingForScript_) {
        waitingForScript_ = true;
        scriptRetryMs_ = std::min(app_.scriptRetryMs(), kLongestScriptRetryMs);
        std::fprintf(stderr,
                     "brisma: the server script %sscripts_desktop3.xml cannot be loaded; waiting for the "
                     "server and trying again by itself\n",
                     app_.services().serverBase.c_str());
        // Only the exit means something yet: nothing has been loaded.
        for (QAction* item : {mnApp, mnNewsList, mnuChange, mnuAbout})
            item->setEnabled(false);
        // The menu offers only the exit; a left click has no bar to open yet.
        if (app_.trays().available())
            ShowTrayIcon(QStringLiteral("Brisma：サーバーへの接続を待っています（自動で再接続します）"),
                         [](TrayIcon::Activation) {});
    } else {
        scriptRetryMs_ = std::min(scriptRetryMs_ * 2, kLongestScriptRetryMs);
    }
    scriptRetry_.start(scriptRetryMs_);
}

// The normal start adds its own icon; a first start has none.
void frmMain::StopWaitingForScript() {
    waitingForScript_ = false;
    if (tray_)
        tray_->hide();
    tray_.reset();
    for (QAction* item : {mnApp, mnuChange, mnuAbout})
        item->setEnabled(true);
}

void frmMain::SetConst() {
    withNamedHandler(app_.errors(), "SetConst", [&] {
        mnApp->setText(qs(LoadResString(102)));
        mnNewsList->setText(qs(LoadResString(182)));
        mnuAbout->setText(qs(LoadResString(104)));
        mnFin->setText(qs(LoadResString(105)));
    });
}

void frmMain::SetTrayIcon() {
    setWindowIcon(AppIcon());
    if (!app_.trays().available()) {
        // Without a notification area the bar is the only way in: it opens now and its right
        // click opens the menu.
        std::fputs("brisma: the desktop has no notification area; the headline bar opens at start and a "
                   "right click on it opens the menu; once hidden, start brisma again to bring it back\n",
                   stderr);
        ToggleTicker();
        return;
    }
    ShowTrayIcon(QStringLiteral("Brisma：左ｸﾘｯｸでﾍｯﾄﾞﾗｲﾝﾊﾞｰの開閉、右ｸﾘｯｸでﾒﾆｭｰ"),
                 [this](TrayIcon::Activation) { app_.handle([this] { Form_MouseMove(kTrayLeftClick); }); });
}

void frmMain::ShowTrayIcon(const QString& toolTip, TrayIcon::ActivationHandler onClick) {
    tray_ = app_.trays().create();
    tray_->setIcon(AppIcon());
    tray_->setToolTip(toolTip);
    tray_->setMenu(&mnuPopup);
    tray_->setActivationHandler(std::move(onClick));
    tray_->show();
}

void frmMain::Form_MouseMove(int code) {
    withNamedHandler(app_.errors(), "Form_MouseMove", [&] {
        if (code == kTrayLeftClick)
            ToggleTicker();
    });
}

void frmMain::ToggleTicker() {
    frmTicker& ticker = app_.ticker();
    if (ticker.blnOpen) {
        // The list closes with the bar: it would float over nothing, out of the menu's reach.
        frmList& list = app_.list();
        if (list.blnOpen)
            list.HideList(static_cast<float>(ticker.width() - 10), static_cast<float>(ticker.y() + 10));
        ticker.CloseTicker();
    } else {
        ticker.blnScroll = true;
        ticker.OpenTicker();
    }
}

void frmMain::TickerOpenedOrClosed(const QString& caption) {
    mnApp->setText(caption);
    // Whoever opened or closed the bar (tray, menu, channel change, a failed change), the list
    // entry works exactly while the bar is open.
    const frmTicker* ticker = app_.loadedTicker();
    mnNewsList->setEnabled(ticker && ticker->blnOpen);
}

void frmMain::OpenMenuFromBar(const QPoint& globalPos) {
    if (!app_.trays().available())
        mnuPopup.popup(globalPos);
}

void frmMain::mnApp_Click() {
    withNamedHandler(app_.errors(), "mnApp_Click", [&] { ToggleTicker(); });
}

void frmMain::mnNewsList_Click() {
    withNamedHandler(app_.errors(), "mnNewsList_Click", [&] {
        frmList& list = app_.list();
        const auto x = static_cast<float>(intScreenWidth);
        if (list.blnOpen)
            list.HideList(x, 0.0f);
        else
            list.ShowList(x, 0.0f, 0);
    });
}

void frmMain::TakeScreenSnapshot() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect whole = screen->geometry();
    // The bar's own reservation is not part of the change the watch looks for.
    const QRect work = app_.workArea();
    intScreenWidth = static_cast<int16_t>(whole.width());
    intScreenHeight = static_cast<int16_t>(whole.height());
    intWorkAreaHeight = static_cast<int16_t>(work.y() + work.height());
    intWorkAreaWidth = static_cast<int16_t>(work.x() + work.width());
}

void frmMain::StartTimers() {
    // Whole-second timers fire together on the second's boundary.
    TimerApp.setTimerType(Qt::VeryCoarseTimer);
    TimerHTTP.setTimerType(Qt::VeryCoarseTimer);
    TimerApp.start(kPlacementWatchMs);
    TimerHTTP.start(kRefreshTickMs);
    // Another screen made primary carries the bar and the list to its work area.
    if (!primaryWatch_)
        primaryWatch_ = connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
                                [this] { PrimaryScreen_Changed(); });
    watchPrimaryScreen();
}

void frmMain::watchPrimaryScreen() {
    for (const QMetaObject::Connection& c : screenWatch_)
        disconnect(c);
    screenWatch_.clear();
    // A change of resolution or of the work area is seen at once, not only at the next poll.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWatch_.push_back(
            connect(screen, &QScreen::geometryChanged, this, [this] { TimerApp_Timer(); }));
        screenWatch_.push_back(
            connect(screen, &QScreen::availableGeometryChanged, this, [this] { TimerApp_Timer(); }));
    }
}

void frmMain::PrimaryScreen_Changed() {
    watchPrimaryScreen();
    // Re-placed whatever the snapshot says: the new screen may have the old one's size.
    withNamedHandler(app_.errors(), "PrimaryScreen_Changed", [&] {
        TakeScreenSnapshot();
        if (frmTicker* ticker = app_.loadedTicker())
            ticker->ResetLocation();
        app_.list().ResetLocation();
    });
}

void frmMain::mnFin_Click() {
    withNamedHandler(app_.errors(), "mnFin_Click", [&] {
        // Before the server script nothing has been loaded, so there is nothing to save.
        if (!waitingForScript_) {
            app_.list().HideList(static_cast<float>(intScreenWidth), 0.0f);
            app_.app().SaveUserFiles();
        }
        app_.app().EndApp();
    });
}

void frmMain::mnuChange_Click() {
    frmChannel& channel = app_.channelForm();
    channel.ReloadSWF();
    channel.show();
}

void frmMain::mnuAbout_Click() {
    app_.userForm().show();
}

void frmMain::TimerApp_Timer() {
    withNamedHandler(app_.errors(), "TimerApp_Timer", [&] {
        const int16_t screenW = intScreenWidth;
        const int16_t screenH = intScreenHeight;
        const int16_t workH = intWorkAreaHeight;
        const int16_t workW = intWorkAreaWidth;
        TakeScreenSnapshot();
        frmTicker* ticker = app_.loadedTicker();
        if (screenW != intScreenWidth || screenH != intScreenHeight || workH != intWorkAreaHeight ||
            workW != intWorkAreaWidth) {
            if (ticker)
                ticker->ResetLocation();
            app_.list().ResetLocation();
        }
        // A bar whose lower edge is above the bottom of the work area moves down onto it.
        if (ticker && intWorkAreaHeight > ticker->y() + 24)
            ticker->move(ticker->x(), intWorkAreaHeight - 24);
    });
}

void frmMain::TimerHTTP_Timer() {
    // This handler reports the bare description.
    withHandler(app_.errors(), "", [&] {
        // Held above the threshold while refreshes wait (a movie playing), never wrapped round.
        if (intHTTPTimerCountByMinutes < std::numeric_limits<int16_t>::max())
            ++intHTTPTimerCountByMinutes;
        const frmMovie* movie = app_.loadedMovie();
        if (intHTTPTimerCountByMinutes <= kTicksBetweenRefreshes || (movie && movie->blnPlay))
            return;
        app_.flashLoader().updateFlash();
        modChannel& channels = app_.channels();
        for (int i = 0; i < app_.app().selectedChannelNum(); ++i) {
            const int16_t n = channels.intSelectedChannel[static_cast<std::size_t>(i)];
            if (n > 0)
                channels.UpdateChannel(n);
        }
        app_.movies().ProcMovie();
        app_.userData().loadClickLog();
        app_.userData().loadMovieLog();
        channels.SortIdWithMovie();
        app_.list().swfPlayer().GotoFrame(1);
        app_.list().swfPlayer().setPlaying(true);
        intHTTPTimerCountByMinutes = 0;
    });
}

void frmMain::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    scriptRetry_.stop();
    TimerApp.stop();
    TimerHTTP.stop();
    Form_QueryUnload();
    Form_Unload();
    Form_Terminate();
}

void frmMain::Form_QueryUnload() {
    withNamedHandler(app_.errors(), "Form_QueryUnload", [&] {
        if (tray_)
            tray_->hide();
        tray_.reset();
        app_.unloadTicker();
    });
}

void frmMain::Form_Unload() {
    withNamedHandler(app_.errors(), "Form_Unload", [&] {
        if (frmMovie* movie = app_.loadedMovie(); movie && movie->blnPlay)
            movie->CloseMovie();
    });
}

void frmMain::Form_Terminate() {
    if (frmMovie* movie = app_.loadedMovie(); movie && movie->blnPlay)
        movie->CloseMovie();
}

} // namespace brisma
