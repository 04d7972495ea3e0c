#pragma once

#include <QIcon>
#include <QImage>

namespace brisma {

// The application's icon, drawn here rather than shipped as a picture: one drawing at any size,
// used by the tray and written out as the desktop's icon files.
QImage AppIconImage(int size);
QIcon AppIcon();

} // namespace brisma
