#pragma once

#include "platform/ui/TrayIcon.h"

namespace brisma {

// Tray icons on QSystemTrayIcon. The menu is handed to it: on a StatusNotifierItem host it is
// exported as a dbusmenu, on an XEmbed tray QSystemTrayIcon opens it on a right click, once.
class QtTrayIconFactory : public TrayIconFactory {
public:
    bool available() const override;
    std::unique_ptr<TrayIcon> create() override;
};

} // namespace brisma
