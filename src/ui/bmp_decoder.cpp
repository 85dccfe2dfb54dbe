// BMP files: the file header, a BITMAPINFOHEADER (or a later, larger header), uncompressed
// rows of 24 or 32 bits, or 1/4/8 bits through a palette, bottom-up or top-down. Every length
// is checked against the data before it is read.
#include <cstdint>
#include <string>

#include "ui/picture.h"

namespace kelvara::ui {
namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr int kMaxSide = 8192;

}  // namespace

Picture Picture::FromBmp(std::span<const std::uint8_t> b) {
    if (b.size() < kFileHeaderSize + kInfoHeaderSize || b[0] != 'B' || b[1] != 'M')
        throw PictureError("BMP: file shorter than its headers or without the 'BM' signature");
    std::uint32_t pixelOffset = U32(b, 10);
    std::uint32_t headerSize = U32(b, 14);
    if (headerSize < kInfoHeaderSize || kFileHeaderSize + headerSize > b.size())
        throw PictureError("BMP: info header size " + std::to_string(headerSize) + " is not supported");
    std::int32_t width = static_cast<std::int32_t>(U32(b, 18));
    std::int32_t rawHeight = static_cast<std::int32_t>(U32(b, 22));
    std::uint16_t bits = U16(b, 28);
    std::uint32_t compression = U32(b, 30);
    std::uint32_t paletteCount = U32(b, 46);
    bool topDown = rawHeight < 0;
    std::int64_t height = topDown ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        throw PictureError("BMP: size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported");
    if (!(compression == kBiRgb || (compression == kBiBitfields && bits == 32)))
        throw PictureError("BMP: compressed pictures (method " + std::to_string(compression) + ") are not supported");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw PictureError("BMP: " + std::to_string(bits) + " bits per pixel is not supported");

    std::vector<Color> palette;
    if (bits <= 8) {
        std::uint32_t count = paletteCount ? paletteCount : (1u << bits);
        if (count > 256) throw PictureError("BMP: palette of " + std::to_string(count) + " colours");
        std::size_t at = kFileHeaderSize + headerSize;
        if (at + count * 4 > b.size()) throw PictureError("BMP: palette runs past the end of the file");
        for (std::uint32_t i = 0; i < count; ++i, at += 4) palette.push_back(Rgb(b[at + 2], b[at + 1], b[at]));
    }

    std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (pixelOffset > b.size() || stride * static_cast<std::size_t>(height) > b.size() - pixelOffset)
        throw PictureError("BMP: pixel data runs past the end of the file (offset " + std::to_string(pixelOffset) + ")");

    Picture pic(width, static_cast<int>(height));
    for (int y = 0; y < height; ++y) {
        int fileRow = topDown ? y : static_cast<int>(height) - 1 - y;
        std::size_t row = pixelOffset + stride * static_cast<std::size_t>(fileRow);
        for (int x = 0; x < width; ++x) {
            Color c = 0;
            if (bits == 24 || bits == 32) {
                std::size_t at = row + static_cast<std::size_t>(x) * (bits / 8);
                c = Rgb(b[at + 2], b[at + 1], b[at]);
            } else {
                std::size_t bitPos = static_cast<std::size_t>(x) * bits;
                std::uint8_t byte = b[row + bitPos / 8];
                unsigned shift = 8 - bits - (bitPos % 8);
                unsigned index = (byte >> shift) & ((1u << bits) - 1);
                if (index >= palette.size()) throw PictureError("BMP: colour index " + std::to_string(index) + " outside the palette");
                c = palette[index];
            }
            pic.SetPixel(x, y, c);
        }
    }
    return pic;
}

}  // namespace kelvara::ui
