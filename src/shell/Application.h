#pragma once

#include "bar/TickerHost.h"
#include "common/UserRecord.h"
#include "news/NewsHost.h"
#include "panels/ListHost.h"
#include "panels/PanelHost.h"
#include "platform/Services.h"
#include "platform/fs/FileSystem.h"
#include "platform/player/FlashPlayer.h"
#include "platform/ui/InstanceChannel.h"
#include "platform/ui/TrayIcon.h"

#include <functional>
#include <memory>
#include <string>

namespace brisma {

class frmChannel;
class frmList;
class frmMain;
class frmMovie;
class frmSplash;
class frmStart;
class frmTicker;
class frmUser;
class modApp;
class modChannel;
class modFlashListener;
class modFlashLoader;
class modInet;
class modMovieLoader;
class modUserData;

// How the application is built: the desktop passes nothing but the folder and the server; tests
// pass their doubles.
struct ApplicationConfig {
    std::string appFolder;
    std::string serverBase;
    MessageBoxService* messages = nullptr; // null: Qt dialogs
    FlashPlayerFactory* players = nullptr; // null: the QML players
    TrayIconFactory* trays = nullptr;      // null: QSystemTrayIcon
    // Where the QML players' flash.openUrl hands http and https addresses. Null: QDesktopServices.
    std::function<void(const std::string& url)> openUrl;
    const Clock* clock = nullptr; // null: the system clock
    HttpLimits httpLimits;
    // The first wait before the server script is asked for again; each next wait doubles, up
    // to a minute.
    int scriptRetryMs = 5000;
    // Ends the process at once. Null: flush the reports briefly and exit. A hook that returns
    // (tests) makes EndApp stop the procedure in progress instead.
    std::function<void()> endProcess;
};

// Owns every module and form of the system and wires each with what it uses.
class Application : public NewsHost, public TickerHost, public PanelHost, public ListHost {
public:
    explicit Application(ApplicationConfig config);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the main window's load handler (the whole start-up). False when the application ended.
    bool start();
    bool ended() const { return ended_; }
    // Runs an event handler through the gate; an EndApp inside it ends the handler.
    void handle(std::function<void()> handler);
    // EndApp's last step.
    [[noreturn]] void endProcess();
    // A logout or a kill: the download in flight is given up, and the procedure waiting for it,
    // or the next one to download, stops there.
    void terminate();

    Services& services() { return services_; }
    ScriptValues& script() { return services_.script; }
    ErrorReporter& errors() { return services_.errors; }
    EventGate& gate() { return services_.gate; }
    UserRecord& user() { return user_; }
    FlashPlayerFactory& players() { return *players_; }
    TrayIconFactory& trays() { return *trays_; }
    int scriptRetryMs() const { return config_.scriptRetryMs; }
    fs::FileLock& instanceLock() { return instanceLock_; }
    InstanceChannel& instanceChannel() { return instanceChannel_; }

    modApp& app() { return *app_; }
    frmMain& main() { return *main_; }
    modInet& inet() { return *inet_; }
    modChannel& channels() { return *channels_; }
    modMovieLoader& movies() { return *movies_; }
    modUserData& userData() { return *userData_; }
    modFlashLoader& flashLoader() { return *flashLoader_; }

    // Forms are loaded on first use: a form that is never named is never built.
    // The movie window writes its shell into the folder tree, so it loads after start-up.
    frmMovie& movie() override;
    frmMovie* loadedMovie() { return movie_.get(); }
    frmTicker& ticker();
    frmList& list() override;
    frmSplash& splash();
    frmStart& startForm() override;
    frmUser& userForm() override;
    frmChannel& channelForm() override;
    frmStart* loadedStart() { return start_.get(); }
    frmUser* loadedUser() { return userForm_.get(); }
    frmChannel* loadedChannel() { return channel_.get(); }
    frmTicker* loadedTicker() { return ticker_.get(); }
    void unloadTicker();

    // NewsHost
    bool tickerOpen() const override;
    void saveSelectedChannels() override;
    void restartListMovie() override;
    // TickerHost
    void setTickerMenuCaption(const std::string& caption) override;
    // PanelHost
    bool& blnFirstStart() override;
    bool registered() const override { return !user_.strUserID.empty(); }
    void StartApp() override;
    void SaveUserFiles() override;
    [[noreturn]] void EndApp() override;
    void unloadPanel(const frmStart* form) override;
    void unloadPanel(const frmUser* form) override;
    void unloadPanel(const frmChannel* form) override;
    QRect tickerGeometry() override;
    void closeTicker() override;
    void reopenTicker() override;
    void openMenuFromTicker(const QPoint& globalPos) override;
    void playMovie(const std::string& movieId) override;
    // ListHost
    void setListMenuCaption(const std::string& caption) override;
    int tickerTop() override;
    int tickerHeight() override;
    QRect workArea() override;

private:
    FlashPlayer::CommandHandler toDispatcher();
    // Forgets a form once the event that closed it has returned.
    template <class Form> void unloadLater(std::unique_ptr<Form>& form, const Form* closed);

    ApplicationConfig config_;
    std::unique_ptr<MessageBoxService> ownMessages_;
    Services services_;
    std::unique_ptr<FlashPlayerFactory> ownPlayers_;
    FlashPlayerFactory* players_;
    std::unique_ptr<TrayIconFactory> ownTrays_;
    TrayIconFactory* trays_;
    UserRecord user_;
    fs::FileLock instanceLock_;
    InstanceChannel instanceChannel_;
    bool ended_ = false;

    std::unique_ptr<modInet> inet_;
    std::unique_ptr<modMovieLoader> movies_;
    std::unique_ptr<modChannel> channels_;
    std::unique_ptr<modUserData> userData_;
    std::unique_ptr<modFlashListener> listener_;
    std::unique_ptr<modFlashLoader> flashLoader_;
    std::unique_ptr<frmMovie> movie_;
    std::unique_ptr<frmTicker> ticker_;
    std::unique_ptr<frmList> list_;
    std::unique_ptr<frmSplash> splash_;
    std::unique_ptr<frmStart> start_;
    std::unique_ptr<frmUser> userForm_;
    std::unique_ptr<frmChannel> channel_;
    std::unique_ptr<frmMain> main_;
    std::unique_ptr<modApp> app_;
};

} // namespace brisma
