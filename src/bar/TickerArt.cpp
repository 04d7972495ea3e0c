#include "bar/TickerArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace brisma::art {
namespace {

struct IconLook {
    Icon icon;
    const char* label; // UTF-8
    QRgb top;
    QRgb bottom;
};

// One badge per category: a short label on its own colour.
constexpr std::array<IconLook, 9> kLooks{{
    {Icon::all, "総", 0xff4f8fe0, 0xff2a5cb0},
    {Icon::spt, "ス", 0xff43b55a, 0xff237a36},
    {Icon::biz, "経", 0xffe0a030, 0xffb06e10},
    {Icon::ent, "芸", 0xffe0609a, 0xffa8356a},
    {Icon::cul, "文", 0xff9a72d8, 0xff6a45a8},
    {Icon::oth, "他", 0xff8a94a6, 0xff5c6578},
    {Icon::mov, "映", 0xffe05a4a, 0xffa83024},
    {Icon::it, "IT", 0xff30b8c8, 0xff13808e},
    {Icon::pr, "PR", 0xfff0c040, 0xffc08a10},
}};

const IconLook& lookOf(Icon which) {
    for (const auto& look : kLooks)
        if (look.icon == which)
            return look;
    return kLooks[5];
}

QImage blank(int width, int height, int scale) {
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    return image;
}

// The bar's glass: a navy gradient, lighter at the top edge, a dark line at the bottom. Every
// column is the same, so text rendered once over it fits wherever the slot has moved.
void paintGlass(QPainter& p, int width) {
    QLinearGradient glass(0, 0, 0, kBarHeight);
    glass.setColorAt(0.0, QColor(0x3a, 0x52, 0x86));
    glass.setColorAt(0.45, QColor(0x22, 0x33, 0x5c));
    glass.setColorAt(0.5, QColor(0x18, 0x26, 0x48));
    glass.setColorAt(1.0, QColor(0x10, 0x1a, 0x34));
    p.fillRect(QRectF(0, 0, width, kBarHeight), glass);
    p.fillRect(QRectF(0, 0, width, 1), QColor(0x6a, 0x82, 0xb4));
    p.fillRect(QRectF(0, kBarHeight - 1, width, 1), QColor(0x06, 0x0a, 0x16));
}

} // namespace

Icon iconFor(const std::string& t) {
    if (t == "all" || t == "soc")
        return Icon::all;
    if (t == "spt")
        return Icon::spt;
    if (t == "biz")
        return Icon::biz;
    if (t == "ent")
        return Icon::ent;
    if (t == "cul")
        return Icon::cul;
    if (t == "mov")
        return Icon::mov;
    if (t == "sci")
        return Icon::it;
    if (t == "pr" || t == "tbn")
        return Icon::pr;
    return Icon::oth;
}

QImage tile(int scale) {
    QImage image = blank(kTileWidth, kBarHeight, scale);
    QPainter p(&image);
    paintGlass(p, kTileWidth);
    return image;
}

QImage icon(Icon which, int scale) {
    const IconLook& look = lookOf(which);
    QImage image = blank(kIconWidth, kBarHeight, scale);
    QPainter p(&image);
    paintGlass(p, kIconWidth);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF badge(2.5, 4.5, 17, 15);
    QLinearGradient fill(0, badge.top(), 0, badge.bottom());
    fill.setColorAt(0.0, QColor::fromRgb(look.top));
    fill.setColorAt(1.0, QColor::fromRgb(look.bottom));
    p.setPen(QPen(QColor(0, 0, 0, 110), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(badge, 3.5, 3.5);
    QFont font(QStringLiteral("IPAGothic"));
    const QString label = QString::fromUtf8(look.label);
    font.setPixelSize(label.size() > 1 ? 9 : 11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(badge.translated(0.5, 0.8), Qt::AlignCenter, label);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, label);
    return image;
}

QImage slotText(const QString& text, QRgb colour, int width, const QFont& font, int scale) {
    QImage image = blank(std::max(width, 1), kTextHeight, scale);
    QPainter p(&image);
    p.translate(0, -kTextTop);
    paintGlass(p, std::max(width, 1));
    p.translate(0, kTextTop);
    p.setFont(font);
    p.setPen(QColor::fromRgb(colour));
    p.drawText(QRect(0, 0, width, kTextHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, text);
    return image;
}

QCursor handCursor(bool held) {
    constexpr int kSize = 32;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Pointing finger, three folded fingers and the palm; held, the finger is pressed down.
    const qreal fingerTop = held ? 5.0 : 1.0;
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, fingerTop, 5, 15 - fingerTop + 1), 2.5, 2.5);
    hand.addRoundedRect(QRectF(12, 8, 5, 9), 2.5, 2.5);
    hand.addRoundedRect(QRectF(16, 9, 5, 8), 2.5, 2.5);
    hand.addRoundedRect(QRectF(20, 10, 4.5, 8), 2.2, 2.2);
    hand.addRoundedRect(QRectF(5, 12, 4.5, 7), 2.2, 2.2);
    hand.addRoundedRect(QRectF(6, 13, 18.5, 11), 4, 4);
    hand.setFillRule(Qt::WindingFill);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand.simplified());
    return QCursor(pixmap, 10, static_cast<int>(fingerTop) + 1);
}

} // namespace brisma::art
