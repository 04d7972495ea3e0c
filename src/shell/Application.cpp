#include "shell/Application.h"

#include "bar/TickerAccessible.h"
#include "bar/frmTicker.h"
#include "movie/frmMovie.h"
#include "movie/modMovieLoader.h"
#include "news/modChannel.h"
#include "panels/frmChannel.h"
#include "panels/frmList.h"
#include "panels/frmSplash.h"
#include "panels/frmStart.h"
#include "panels/frmUser.h"
#include "panels/modFlashListener.h"
#include "panels/modFlashLoader.h"
#include "platform/player/QmlPlayerFactory.h"
#include "platform/ui/QtMessageBox.h"
#include "platform/ui/QtTrayIcon.h"
#include "report/modInet.h"
#include "shell/frmMain.h"
#include "shell/modApp.h"
#include "userdata/modUserData.h"

#include <QAction>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

namespace brisma {
namespace {

MessageBoxService* orQtDialogs(MessageBoxService* given, std::unique_ptr<MessageBoxService>& own) {
    if (given)
        return given;
    own = std::make_unique<QtMessageBox>();
    return own.get();
}

} // namespace

Application::Application(ApplicationConfig config)
    : config_(std::move(config)),
      services_({config_.appFolder, config_.serverBase, *orQtDialogs(config_.messages, ownMessages_),
                 config_.clock, config_.httpLimits}),
      ownPlayers_(config_.players ? nullptr
                                  : std::make_unique<QmlPlayerFactory>(config_.appFolder, config_.openUrl)),
      players_(config_.players ? config_.players : ownPlayers_.get()),
      ownTrays_(config_.trays ? nullptr : std::make_unique<QtTrayIconFactory>()),
      trays_(config_.trays ? config_.trays : ownTrays_.get()), instanceChannel_(config_.appFolder) {
    TickerAccessible::install();
    Services& s = services_;
    inet_ = std::make_unique<modInet>(s.errors, s.clock, s.http, s.script, user_);
    movies_ = std::make_unique<modMovieLoader>(s.paths, s.errors, s.gate, s.clock, s.http, s.script);
    channels_ = std::make_unique<modChannel>(s.paths, s.errors, s.gate, s.http, s.script, s.serverBase,
                                             s.messages, *inet_, *this, *movies_);
    userData_ = std::make_unique<modUserData>(s.paths, s.errors, s.gate, s.http, s.script, s.serverBase,
                                              user_, *channels_, *inet_);
    listener_ = std::make_unique<modFlashListener>(s.errors, s.messages, *this, *userData_, *inet_, *movies_);
    // A window not yet loaded shows the new module when it loads.
    flashLoader_ = std::make_unique<modFlashLoader>(
        s.paths, s.errors, s.http, s.script,
        [this] {
            if (ticker_)
                ticker_->ReloadSWF();
        },
        [this] {
            if (list_)
                list_->ReloadSWF();
        });
    main_ = std::make_unique<frmMain>(*this);
    app_ = std::make_unique<modApp>(*this);
}

Application::~Application() {
    // Windows first: they hold players and refer to the modules.
    channel_.reset();
    userForm_.reset();
    start_.reset();
    splash_.reset();
    list_.reset();
    ticker_.reset();
    movie_.reset();
    main_.reset();
}

bool Application::start() {
    // Start-up is a procedure like any other: handlers that arrive meanwhile wait for its end.
    handle([this] { main_->Form_Load(); });
    return !ended_;
}

void Application::handle(std::function<void()> handler) {
    services_.gate.run([h = std::move(handler)] {
        try {
            h();
        } catch (const ApplicationEnded&) {
        }
    });
}

void Application::endProcess() {
    ended_ = true;
    if (config_.endProcess) {
        config_.endProcess();
        throw ApplicationEnded{};
    }
    // The files are already on disk; give queued reports a moment, then end without running
    // any further handler.
    services_.http.flush(2000);
    std::fflush(nullptr);
    std::_Exit(0);
}

void Application::terminate() {
    services_.http.cancel();
}

FlashPlayer::CommandHandler Application::toDispatcher() {
    // A movie's commands reach the dispatcher through the gate, as every panel's do.
    return [this](const std::string& command, const std::string& args) {
        handle([this, command, args] { listener_->throwValue(command, args); });
    };
}

frmMovie& Application::movie() {
    if (!movie_)
        movie_ = std::make_unique<frmMovie>(services_.paths, services_.errors, services_.gate, *players_,
                                            toDispatcher());
    return *movie_;
}

frmTicker& Application::ticker() {
    if (!ticker_) {
        // The movie panel comes with the bar, as its player may be asked for at the first click.
        movie();
        ticker_ = std::make_unique<frmTicker>(
            services_.paths, services_.errors, services_.gate, services_.http, services_.script,
            services_.serverBase, *channels_, *userData_, *inet_, *players_, toDispatcher(), *this);
    }
    return *ticker_;
}

void Application::unloadTicker() {
    ticker_.reset();
}

frmList& Application::list() {
    if (!list_)
        list_ = std::make_unique<frmList>(services_.paths, services_.serverBase, services_.gate, *players_,
                                          toDispatcher(), *this);
    return *list_;
}

frmSplash& Application::splash() {
    if (!splash_)
        splash_ =
            std::make_unique<frmSplash>(services_.paths, services_.serverBase, *players_, toDispatcher());
    return *splash_;
}

frmStart& Application::startForm() {
    if (!start_)
        start_ = std::make_unique<frmStart>(services_.paths, services_.serverBase, *players_, toDispatcher(),
                                            *this, user_, channels_->intSelectedChannel);
    return *start_;
}

frmUser& Application::userForm() {
    if (!userForm_)
        userForm_ = std::make_unique<frmUser>(services_.paths, services_.serverBase, *players_,
                                              toDispatcher(), *this, user_);
    return *userForm_;
}

frmChannel& Application::channelForm() {
    if (!channel_)
        channel_ = std::make_unique<frmChannel>(services_.paths, services_.serverBase, *players_,
                                                toDispatcher(), *this, *channels_, *userData_);
    return *channel_;
}

template <class Form> void Application::unloadLater(std::unique_ptr<Form>& form, const Form* closed) {
    // The form is still inside its close event; the main window outlives every panel.
    QMetaObject::invokeMethod(
        main_.get(),
        [&form, closed] {
            if (form.get() == closed)
                form.reset();
        },
        Qt::QueuedConnection);
}

void Application::unloadPanel(const frmStart* form) {
    unloadLater(start_, form);
}
void Application::unloadPanel(const frmUser* form) {
    unloadLater(userForm_, form);
}
void Application::unloadPanel(const frmChannel* form) {
    unloadLater(channel_, form);
}

bool& Application::blnFirstStart() {
    return app_->blnFirstStart;
}
void Application::StartApp() {
    app_->StartApp();
    // The first start ends with the bar in view, once, as a tray click opens it: a new user
    // sees where the headlines are. Queued behind the command that ends the first start, so the
    // channel panel has gone first.
    handle([this] {
        if (ticker_ && !ticker_->blnOpen)
            main_->Form_MouseMove(514);
    });
}
void Application::SaveUserFiles() {
    app_->SaveUserFiles();
}
void Application::EndApp() {
    app_->EndApp();
}

QRect Application::tickerGeometry() {
    return ticker().geometry();
}

void Application::closeTicker() {
    frmTicker& bar = ticker();
    bar.StopTicker();
    bar.CloseTicker();
}

void Application::reopenTicker() {
    frmTicker& bar = ticker();
    bar.InitTicker();
    bar.OpenTicker();
    bar.StartTicker();
}

bool Application::tickerOpen() const {
    return ticker_ && ticker_->blnOpen;
}

void Application::saveSelectedChannels() {
    userData_->saveSelectedChannelXML();
}

void Application::setTickerMenuCaption(const std::string& caption) {
    main_->TickerOpenedOrClosed(QString::fromStdString(caption));
}

void Application::openMenuFromTicker(const QPoint& globalPos) {
    main_->OpenMenuFromBar(globalPos);
}

void Application::playMovie(const std::string& movieId) {
    movie().playMovie(movieId);
}

void Application::setListMenuCaption(const std::string& caption) {
    main_->mnNewsList->setText(QString::fromStdString(caption));
}

int Application::tickerTop() {
    return ticker().y();
}

int Application::tickerHeight() {
    return ticker().height();
}

QRect Application::workArea() {
    if (ticker_)
        return ticker_->workArea();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void Application::restartListMovie() {
    list().swfPlayer().GotoFrame(0);
    list().swfPlayer().setPlaying(true);
}

} // namespace brisma
