#pragma once

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <string>

namespace brisma {

// The bar's own pictures, drawn in code at any scale so they stay sharp on dense screens: the
// background tile (32 x 24), the category icons (22 x 24 each) and the two hand cursors.
namespace art {

constexpr int kTileWidth = 32;
constexpr int kBarHeight = 24;
constexpr int kIconWidth = 22;

enum class Icon { all, spt, biz, ent, cul, oth, mov, it, pr };
constexpr std::array<Icon, 9> kIcons{Icon::all, Icon::spt, Icon::biz, Icon::ent, Icon::cul,
                                     Icon::oth, Icon::mov, Icon::it,  Icon::pr};

// The icon a category code selects; codes outside the table draw the "oth" icon.
Icon iconFor(const std::string& strNewsType);

// Opaque pictures of `scale` device pixels per bar pixel.
QImage tile(int scale);
QImage icon(Icon which, int scale);

// A slot's text as the bar shows it: `width` x 18 pixels of the bar's glass below the text
// rows, the text drawn from the top-left corner in `colour`, "&" underlining the next character,
// cut at the right edge.
constexpr int kTextTop = 5;
constexpr int kTextHeight = 18;
QImage slotText(const QString& text, QRgb colour, int width, const QFont& font, int scale);

// The hand over the headlines (104) and the hand while the button is held (106).
QCursor handCursor(bool held);

} // namespace art
} // namespace brisma
