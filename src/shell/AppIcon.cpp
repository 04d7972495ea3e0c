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
    // The product's one mark, as the panels and the splash draw it: three headlines running
    // through an orange tile.
    p.setBrush(QColor(0xff, 0x8a, 0x1f));
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.22, size * 0.22);
    p.setBrush(Qt::white);
    const double h = size * 0.11;
    const double lengths[] = {0.6, 0.42, 0.5};
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(size * 0.2, size * (0.235 + 0.21 * i), size * lengths[i], h), h / 2, h / 2);
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

} // namespace brisma
