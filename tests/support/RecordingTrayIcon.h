#pragma once

#include "platform/ui/TrayIcon.h"

namespace brisma::test {

// A tray icon that keeps what it was given and lets a test activate it.
class RecordingTrayIcon : public TrayIcon {
public:
    void setIcon(const QIcon& i) override { icon = i; }
    void setToolTip(const QString& tip) override { toolTip = tip; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    void setActivationHandler(ActivationHandler h) override { handler = std::move(h); }

    void activate(Activation how) { handler(how); }

    QIcon icon;
    QString toolTip;
    bool visible = false;
    ActivationHandler handler;
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
