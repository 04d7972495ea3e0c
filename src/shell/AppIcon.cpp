#include "shell/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace brisma {

QImage AppIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x9c));
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), size / 5.0, size / 5.0);
    // Three headline lines scrolling left.
    p.setBrush(QColor(0xff, 0xc8, 0x3d));
    const double h = size / 9.0;
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(size * (0.18 + 0.1 * i), size * 0.28 + i * 1.7 * h, size * (0.64 - 0.1 * i), h));
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

} // namespace brisma
