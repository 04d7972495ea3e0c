// Writes the desktop entry and the icon files that `cmake --install` puts below share/:
// applications/brisma.desktop and icons/hicolor/NxN/apps/brisma.png, from the same code the
// application draws its icon with. Usage: brisma-desktop-files <folder> <size>...
#include "shell/AppIcon.h"
#include "shell/DesktopEntry.h"

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: brisma-desktop-files <folder> <size>...\n";
        return 2;
    }
    QGuiApplication app(argc, argv);
    const std::filesystem::path share = argv[1];
    std::filesystem::create_directories(share / "applications");
    std::ofstream(share / "applications" / "brisma.desktop", std::ios::binary)
        << brisma::DesktopEntry("brisma");
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = share / "icons" / "hicolor" / name / "apps";
        std::filesystem::create_directories(folder);
        if (size <= 0 ||
            !brisma::AppIconImage(size).save(QString::fromStdString((folder / "brisma.png").string()))) {
            std::cerr << "brisma-desktop-files: cannot write the " << name << " icon\n";
            return 1;
        }
    }
    return 0;
}
