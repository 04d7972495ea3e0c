#pragma once

#include "platform/ui/TrayIcon.h"

#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;

namespace brisma {

class Application;

// The hidden main window: start-up, the tray icon with its menu, the two application timers
// and the shutdown handlers.
class frmMain : public QWidget {
public:
    explicit frmMain(Application& app);
    ~frmMain() override;

    // Ticks of TimerHTTP since the last refresh.
    int16_t intHTTPTimerCountByMinutes = 0;

    QTimer TimerApp;
    QTimer TimerHTTP;

    QMenu mnuPopup;
    QAction* mnApp = nullptr;
    QAction* mnNewsList = nullptr;
    QAction* mnuChange = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnFin = nullptr;

    // The part of `text` before the first `delimiter`, or all of it.
    static std::string GetString(const std::string& text, const std::string& delimiter);

    // The load handler: the whole start-up.
    void Form_Load();
    void SetConst();
    void SetTrayIcon();
    void TakeScreenSnapshot();
    // Switches the placement watch and the refresh timer on.
    void StartTimers();

    // The tray icon's click, by its code: 514, the tray's left click, opens or closes the bar. The
    // right click is the tray's own: it shows the menu handed to it.
    void Form_MouseMove(int code);
    // The bar's right click: the menu, when there is no tray to open it from.
    void OpenMenuFromBar(const QPoint& globalPos);

    void mnApp_Click();
    // The bar opened or closed: its entry's caption, and the list entry enabled while it is open.
    void TickerOpenedOrClosed(const QString& caption);
    // A second start asked: the bar comes into view, or during the first start its panel.
    void BringIntoView();
    void mnNewsList_Click();
    void mnFin_Click();
    // The channel selection panel, its movie reloaded, not modal.
    void mnuChange_Click();
    // The profile panel, not modal.
    void mnuAbout_Click();
    void TimerApp_Timer();
    // Another screen became the primary one: the watch follows it and the windows move to it.
    void PrimaryScreen_Changed();
    void TimerHTTP_Timer();

    // Query-unload, unload and terminate, in that order.
    void Unload();
    TrayIcon* trayIcon() const { return tray_.get(); }

private:
    void Form_QueryUnload();
    void Form_Unload();
    void Form_Terminate();
    // Runs a step of start-up under the load handler's error handling.
    void LoadStep(void (frmMain::*step)());
    void StartUp();
    // The server script, and with it the rest of start-up; without it, the wait for it.
    void TryScript();
    void StartWithScript();
    // Says once that the server is waited for, shows the waiting icon, asks again later.
    void WaitForScript();
    void StopWaitingForScript();
    // The icon in the notification area, with the menu; `onClick` takes its left click.
    void ShowTrayIcon(const QString& toolTip, TrayIcon::ActivationHandler onClick);
    // The tray's left click and the menu's first entry: the bar opens or closes, the list with it.
    void ToggleTicker();
    // Connects a menu item to its command, run through the gate.
    void onMenu(QAction* item, void (frmMain::*command)());
    // Connects the placement watch to the primary screen's geometry signals, and only to it.
    void watchPrimaryScreen();

    Application& app_;
    std::unique_ptr<TrayIcon> tray_;
    bool httpTickPending_ = false;
    bool unloaded_ = false;
    // Start-up has run to its end; before that a second start's request is ignored.
    bool startedUp_ = false;
    // Set until the server script has come; nothing is loaded or written before it.
    bool waitingForScript_ = false;
    int scriptRetryMs_ = 0;
    QTimer scriptRetry_;
    QMetaObject::Connection primaryWatch_;
    std::vector<QMetaObject::Connection> screenWatch_;
    // Screen (pixels) and work area as last seen by the placement watch.
    int16_t intScreenWidth = 0;
    int16_t intScreenHeight = 0;
    int16_t intWorkAreaHeight = 0;
    int16_t intWorkAreaWidth = 0;
};

} // namespace brisma
