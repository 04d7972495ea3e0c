#pragma once

#include <string>

namespace brisma {

// The entry in the desktop's autostart folder that starts the application at login.
class Autostart {
public:
    // $XDG_CONFIG_HOME/autostart/brisma.desktop, by default below ~/.config.
    static std::string entryPath();
    // Writes the entry, in one atomic replace, starting `executable`.
    static void enable(const std::string& executable);
    // Removes the entry; false when there was none.
    static bool disable();
};

} // namespace brisma
