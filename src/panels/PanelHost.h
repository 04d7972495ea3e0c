#pragma once

#include <QRect>

namespace brisma {

class frmChannel;
class frmList;
class frmMovie;
class frmStart;
class frmUser;

// What the panels need from the application above them, which they may not depend on. Forms
// are loaded on first use.
class PanelHost {
public:
    virtual ~PanelHost() = default;

    virtual bool& blnFirstStart() = 0;
    // True once the user holds the id the server gave at registration.
    virtual bool registered() const = 0;
    virtual void StartApp() = 0;
    virtual void SaveUserFiles() = 0;
    [[noreturn]] virtual void EndApp() = 0;

    virtual frmList& list() = 0;
    virtual frmMovie& movie() = 0;
    virtual frmStart& startForm() = 0;
    virtual frmUser& userForm() = 0;
    virtual frmChannel& channelForm() = 0;
    // The window system closed a panel: the form is unloaded once its event has returned.
    virtual void unloadPanel(const frmStart* form) = 0;
    virtual void unloadPanel(const frmUser* form) = 0;
    virtual void unloadPanel(const frmChannel* form) = 0;

    // The headline bar: its geometry in pixels; StopTicker and CloseTicker; InitTicker,
    // OpenTicker and StartTicker.
    virtual QRect tickerGeometry() = 0;
    virtual void closeTicker() = 0;
    virtual void reopenTicker() = 0;
};

} // namespace brisma
