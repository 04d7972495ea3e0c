#include "shell/Autostart.h"

#include "platform/fs/FileSystem.h"
#include "shell/DesktopEntry.h"

#include <cstdlib>
#include <filesystem>

namespace brisma {

std::string Autostart::entryPath() {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else
        config = std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.config";
    return config + "/autostart/brisma.desktop";
}

void Autostart::enable(const std::string& executable) {
    const std::string path = entryPath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    fs::writeFileAtomic(path, DesktopEntry(executable));
}

bool Autostart::disable() {
    return std::filesystem::remove(entryPath());
}

} // namespace brisma
