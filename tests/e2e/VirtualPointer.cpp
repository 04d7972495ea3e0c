// A pointer device for a headless wlroots compositor, which has none: reads one command a line
// from stdin and sends it to the compositor as the device's input.
//   move X Y     the pointer to (X, Y) of the WIDTH x HEIGHT desktop
//   click B      button B (1 left, 2 middle, 3 right) pressed and released
// Usage: virtual-pointer WIDTH HEIGHT   (WAYLAND_DISPLAY names the compositor)
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <linux/input-event-codes.h>
#include <sstream>
#include <string>
#include <wayland-client.h>

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;
wl_seat* seat = nullptr;

uint32_t now() {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: virtual-pointer WIDTH HEIGHT\n", stderr);
        return 2;
    }
    const auto width = static_cast<uint32_t>(std::atoi(argv[1]));
    const auto height = static_cast<uint32_t>(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("virtual-pointer: no Wayland display\n", stderr);
        return 1;
    }
    static const wl_registry_listener listener = {global, globalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) {
        std::fputs("virtual-pointer: the compositor offers no virtual pointer\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    std::cout << "ready" << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "move") {
            uint32_t x = 0, y = 0;
            words >> x >> y;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (command == "click") {
            int b = 1;
            words >> b;
            const uint32_t code = b == 3 ? BTN_RIGHT : b == 2 ? BTN_MIDDLE : BTN_LEFT;
            for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
                zwlr_virtual_pointer_v1_button(pointer, now(), code, state);
                zwlr_virtual_pointer_v1_frame(pointer);
            }
        }
        if (wl_display_roundtrip(display) < 0) {
            std::fputs("virtual-pointer: the compositor went away\n", stderr);
            return 1;
        }
        std::cout << "done " << line << std::endl;
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
