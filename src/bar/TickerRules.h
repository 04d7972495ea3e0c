#pragma once

#include <QRgb>
#include <cstdint>
#include <string>

namespace brisma::ticker {

// The slot count for a work-area width: an exact match in the table, else 10.
int16_t slotCountForWidth(int width);

// Tiles that cover a bar of `width` pixels: width / 32 - 1 rounded half to even, plus one.
int tileCount(int width);

// Text colour of a slot from its read mark and whether the pointer is over it.
QRgb textColour(bool clicked, bool hovered);

// The jump module's address: "%", ":", "&", "." and "/" escaped, in that order; nothing else.
std::string escapeForJump(const std::string& url);

// The mark a click leaves: the clicked id's channel, or "000" when it repeats the pending one.
std::string nextClickMark(const std::string& strID, const std::string& strLastClickChannel);

} // namespace brisma::ticker
