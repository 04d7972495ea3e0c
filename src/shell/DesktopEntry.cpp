#include "shell/DesktopEntry.h"

#include <string_view>

namespace brisma {

std::string DesktopExecArgument(const std::string& path) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    constexpr std::string_view kEscapedInQuotes = "\"`$\\";
    const bool quoted = path.find_first_of(kReserved) != std::string::npos;
    std::string argument = quoted ? "\"" : "";
    for (const char c : path) {
        if (c == '%') {
            argument += "%%";
            continue;
        }
        if (quoted && kEscapedInQuotes.find(c) != std::string_view::npos)
            argument += '\\';
        argument += c;
    }
    if (quoted)
        argument += '"';
    // The key's value is itself a string in which a backslash is written twice.
    std::string value;
    for (const char c : argument) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value;
}

std::string DesktopEntry(const std::string& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Brisma\n"
           "Name[ja]=ブリスマ\n"
           "GenericName=News Ticker\n"
           "GenericName[ja]=ニュースティッカー\n"
           "Comment=Headlines of your news channels scrolling along the bottom of the screen\n"
           "Comment[ja]=選んだニュースチャンネルの見出しを画面の下端に流します\n"
           "Exec=" +
           DesktopExecArgument(exec) +
           "\n"
           "Icon=brisma\n"
           "Terminal=false\n"
           "Categories=Network;News;\n"
           "Keywords=news;headlines;ticker;\n"
           "Keywords[ja]=ニュース;見出し;ティッカー;\n"
           "StartupNotify=false\n";
}

} // namespace brisma
