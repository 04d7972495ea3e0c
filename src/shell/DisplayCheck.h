#pragma once

#include <optional>
#include <string>

namespace brisma {

// A client cannot place its own window under Wayland; the bar needs to, so under a Wayland
// session with XWayland it runs on xcb (said once on stderr). Before the toolkit starts.
void preferXcbUnderWayland();

// Whether the window system the toolkit is about to use answers. The toolkit aborts the process
// when it does not; this is asked first. Empty when it answers or when another platform (such
// as offscreen) is chosen; else the one line that says so, naming DISPLAY and QT_QPA_PLATFORM.
std::optional<std::string> unreachableDisplay(int argc, char** argv);

} // namespace brisma
