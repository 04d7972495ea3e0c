#pragma once

#include <optional>
#include <string>

namespace brisma {

// Under a Wayland session with XWayland the application runs on xcb: its windows place themselves
// there, and the bar shows on a layer-shell surface of its own where the compositor offers one
// (the bar says which). Before the toolkit starts.
void preferXcbUnderWayland();

// Whether the window system the toolkit is about to use answers. The toolkit aborts the process
// when it does not; this is asked first. Empty when it answers or when another platform (such
// as offscreen) is chosen; else the one line that says so, naming DISPLAY and QT_QPA_PLATFORM.
std::optional<std::string> unreachableDisplay(int argc, char** argv);

} // namespace brisma
