#include "server/config/BannerImage.h"

#include "platform/fs/FileSystem.h"

#include <cstdint>
#include <cstring>
#include <png.h>
#include <vector>

namespace brisma::server {
namespace {

constexpr std::size_t RowBytes = (BannerWidth * 3 + 3) / 4 * 4;
constexpr std::size_t HeaderBytes = 54;

std::uint32_t le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// Rows of BGR pixels, top row first, into the bitmap.
std::string bitmapOf(const std::vector<unsigned char>& topDown, std::size_t stride) {
    std::string bmp(HeaderBytes + RowBytes * BannerHeight, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    put32(bmp, 10, HeaderBytes);
    put32(bmp, 14, 40);
    put32(bmp, 18, BannerWidth);
    put32(bmp, 22, BannerHeight);
    bmp[26] = 1;  // planes
    bmp[28] = 24; // bits per pixel
    put32(bmp, 34, static_cast<std::uint32_t>(RowBytes * BannerHeight));
    put32(bmp, 38, 2835); // 72 dpi
    put32(bmp, 42, 2835);
    for (int row = 0; row < BannerHeight; ++row)
        std::memcpy(bmp.data() + HeaderBytes + RowBytes * static_cast<std::size_t>(BannerHeight - 1 - row),
                    topDown.data() + stride * static_cast<std::size_t>(row), BannerWidth * 3);
    return bmp;
}

std::string fromBitmap(const std::string& file, const std::string& b) {
    if (b.size() < HeaderBytes || le32(b, 14) < 40)
        throw BannerImageError(file + ": not a Windows bitmap");
    const auto width = static_cast<std::int32_t>(le32(b, 18));
    const auto height = static_cast<std::int32_t>(le32(b, 22));
    const unsigned bits = static_cast<unsigned char>(b[28]) | static_cast<unsigned char>(b[29]) << 8;
    if (bits != 24 || le32(b, 30) != 0)
        throw BannerImageError(file + ": the bitmap is not 24 bits uncompressed");
    if (width != BannerWidth || (height != BannerHeight && height != -BannerHeight))
        throw BannerImageError(file + ": the image is " + std::to_string(width) + " x " +
                               std::to_string(height < 0 ? -height : height) + ", not 130 x 24");
    const std::size_t offset = le32(b, 10);
    if (offset + RowBytes * BannerHeight > b.size())
        throw BannerImageError(file + ": the bitmap is cut short");
    std::vector<unsigned char> topDown(RowBytes * BannerHeight);
    for (int row = 0; row < BannerHeight; ++row) {
        const int stored = height > 0 ? BannerHeight - 1 - row : row;
        std::memcpy(topDown.data() + RowBytes * static_cast<std::size_t>(row),
                    b.data() + offset + RowBytes * static_cast<std::size_t>(stored), RowBytes);
    }
    return bitmapOf(topDown, RowBytes);
}

std::string fromPng(const std::string& file, const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw BannerImageError(file + ": " + image.message);
    if (image.width != BannerWidth || image.height != BannerHeight) {
        const std::string size = std::to_string(image.width) + " x " + std::to_string(image.height);
        png_image_free(&image);
        throw BannerImageError(file + ": the image is " + size + ", not 130 x 24");
    }
    image.format = PNG_FORMAT_BGRA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        throw BannerImageError(file + ": " + image.message);
    // Laid on white as a browser shows it: in the image's own values, not in linear light.
    std::vector<unsigned char> laid(RowBytes * BannerHeight);
    for (std::size_t row = 0; row < BannerHeight; ++row)
        for (std::size_t x = 0; x < BannerWidth; ++x) {
            const unsigned char* p = pixels.data() + (row * BannerWidth + x) * 4;
            for (std::size_t c = 0; c < 3; ++c)
                laid[row * RowBytes + x * 3 + c] =
                    static_cast<unsigned char>((p[c] * p[3] + 255 * (255 - p[3]) + 127) / 255);
        }
    return bitmapOf(laid, RowBytes);
}

} // namespace

std::string bannerBitmap(const std::string& file) {
    std::string bytes;
    try {
        bytes = fs::readFile(file);
    } catch (const std::exception& e) {
        throw BannerImageError(file + ": " + e.what());
    }
    if (bytes.starts_with("\x89PNG"))
        return fromPng(file, bytes);
    if (bytes.starts_with("BM"))
        return fromBitmap(file, bytes);
    throw BannerImageError(file + ": neither a PNG nor a Windows bitmap");
}

} // namespace brisma::server
