#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <memory>

class QMenu;

namespace brisma {

// The application's icon in the desktop's notification area.
class TrayIcon {
public:
    // Trigger: the primary click every tray delivers. The menu is the tray's own business.
    enum class Activation { Trigger };
    using ActivationHandler = std::function<void(Activation)>;

    virtual ~TrayIcon() = default;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setActivationHandler(ActivationHandler handler) = 0;
    // The menu the tray shows on its own: a StatusNotifierItem host draws it from its D-Bus
    // export, an XEmbed tray opens it on a right click. Captions and enabled state follow it live.
    virtual void setMenu(QMenu* menu) = 0;
};

// Makes the tray icon, and says whether the desktop has a notification area at all.
class TrayIconFactory {
public:
    virtual ~TrayIconFactory() = default;
    virtual bool available() const = 0;
    virtual std::unique_ptr<TrayIcon> create() = 0;
};

} // namespace brisma
