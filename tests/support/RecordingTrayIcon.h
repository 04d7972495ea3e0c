#pragma once

#include "platform/ui/TrayIcon.h"

#include <QMenu>

namespace brisma::test {

// A tray icon that keeps what it was given and lets a test activate it.
class RecordingTrayIcon : public TrayIcon {
public:
    void setIcon(const QIcon& i) override { icon = i; }
    void setToolTip(const QString& tip) override { toolTip = tip; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    void setActivationHandler(ActivationHandler h) override { handler = std::move(h); }
    void setMenu(QMenu* m) override { menu = m; }

    void activate(Activation how) { handler(how); }
    // A right click: the tray opens the menu it was given, as a desktop tray does.
    void rightClick() {
        if (menu)
            menu->popup(QPoint(0, 0));
    }

    QIcon icon;
    QString toolTip;
    bool visible = false;
    ActivationHandler handler;
    QMenu* menu = nullptr;
};

// `trayAvailable` plays the desktop with or without a notification area; `last` is the icon made.
class RecordingTrayFactory : public TrayIconFactory {
public:
    bool available() const override { return trayAvailable; }
    std::unique_ptr<TrayIcon> create() override {
        auto icon = std::make_unique<RecordingTrayIcon>();
        last = icon.get();
        return icon;
    }

    bool trayAvailable = true;
    RecordingTrayIcon* last = nullptr;
};

} // namespace brisma::test
