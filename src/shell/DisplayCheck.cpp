#include "shell/DisplayCheck.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace brisma {
namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool x11Answers() {
    if (env("DISPLAY").empty())
        return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

bool waylandAnswers() {
    const std::string display = env("WAYLAND_DISPLAY");
    if (display.empty())
        return false;
    std::string path = display;
    if (display.front() != '/') {
        const std::string runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = runtime + "/" + display;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return ok;
}

// The platform list the toolkit will read: a -platform argument, else QT_QPA_PLATFORM.
std::string chosenPlatforms(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return argv[i + 1];
    return env("QT_QPA_PLATFORM");
}

std::string described(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(name) + "=\"" + value + "\"" : std::string(name) + " unset";
}

} // namespace

void preferXcbUnderWayland() {
    if (!env("QT_QPA_PLATFORM").empty() || env("WAYLAND_DISPLAY").empty() || env("DISPLAY").empty())
        return;
    // The bar says once, when it is made, which way it is shown.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

std::optional<std::string> unreachableDisplay(int argc, char** argv) {
    const std::string platforms = chosenPlatforms(argc, argv);
    bool answers = false;
    if (platforms.empty()) {
        answers = x11Answers() || waylandAnswers();
    } else {
        // "wayland;xcb": the first that loads is used; any other kind of platform needs no display.
        std::string_view rest = platforms;
        while (!answers && !rest.empty()) {
            const std::string_view candidate = rest.substr(0, rest.find(';'));
            rest = candidate.size() < rest.size() ? rest.substr(candidate.size() + 1) : std::string_view();
            const std::string_view name = candidate.substr(0, candidate.find(':'));
            if (name.empty())
                continue;
            if (name == "xcb")
                answers = x11Answers();
            else if (name.starts_with("wayland"))
                answers = waylandAnswers();
            else
                answers = true;
        }
    }
    if (answers)
        return std::nullopt;
    std::string line = "brisma: no display can be opened (" + described("DISPLAY");
    if (std::getenv("WAYLAND_DISPLAY"))
        line += ", " + described("WAYLAND_DISPLAY");
    return line + ", " + described("QT_QPA_PLATFORM") +
           "): start it in a desktop session, or with QT_QPA_PLATFORM=offscreen to run without a screen";
}

} // namespace brisma
