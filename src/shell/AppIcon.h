#pragma once

#include <QIcon>

namespace brisma {

// The application's icon, drawn here rather than shipped as a picture.
QIcon AppIcon();

} // namespace brisma
