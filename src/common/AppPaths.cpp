#include "common/AppPaths.h"

#include <cstdlib>

namespace brisma {

AppPaths::AppPaths(std::string appFolder) : app_(std::move(appFolder)) {
    while (app_.size() > 1 && app_.back() == '/')
        app_.pop_back();
}

std::string AppPaths::full(std::string_view relative) const {
    std::string path = app_;
    path += relative;
    return path;
}

std::string AppPaths::newsXml(int channel) const {
    return full("/flash/xml/news" + std::to_string(channel) + ".xml");
}

std::string AppPaths::flashModule(std::string_view fileName) const {
    std::string rel = "/flash/";
    rel += fileName;
    return full(rel);
}

std::string defaultAppFolder() {
    if (const char* home = std::getenv("BRISMA_HOME"); home && *home)
        return home;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/brisma";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share/brisma";
}

} // namespace brisma
