#pragma once

#include "platform/ui/TrayIcon.h"

namespace brisma {

// Tray icons on QSystemTrayIcon. The menu is not handed to the tray: the owner opens it on a
// Context activation, so every tray shows the one menu the same way.
class QtTrayIconFactory : public TrayIconFactory {
public:
    bool available() const override;
    std::unique_ptr<TrayIcon> create() override;
};

} // namespace brisma
