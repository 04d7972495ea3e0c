#pragma once

#include <stdexcept>
#include <string>

// A bar banner's image as the client draws it: a Windows bitmap of 130 x 24 pixels, 24 bits, rows
// bottom-up. Read from a PNG (transparency laid on white) or from such a bitmap.
namespace brisma::server {

constexpr int BannerWidth = 130;
constexpr int BannerHeight = 24;

class BannerImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bitmap's bytes; raises BannerImageError naming what is wrong with `file`.
std::string bannerBitmap(const std::string& file);

} // namespace brisma::server
