#include "ui/picture.h"

#include <cstdio>
#include <limits>

namespace kelvara::ui {

Picture::Picture(int width, int height, Color fill) {
    if (width < 0 || height < 0) throw PictureError("picture size is negative");
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

Picture Picture::FromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return FromBmp(bytes);
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return FromJpeg(bytes);
    throw PictureError("picture data is neither a BMP nor a JPEG file");
}

}  // namespace kelvara::ui
