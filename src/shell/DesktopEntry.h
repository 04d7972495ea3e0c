#pragma once

#include <string>

namespace brisma {

// The desktop entry that names and starts the application: installed for the menus with
// `exec` "brisma", written into the autostart folder with the running executable's path.
std::string DesktopEntry(const std::string& exec);

// `path` as one argument of an entry's Exec key: quoted where a character needs it, "%" doubled,
// backslashes escaped for the entry's string syntax.
std::string DesktopExecArgument(const std::string& path);

} // namespace brisma
