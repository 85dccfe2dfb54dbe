#pragma once
// A decoded picture: 32-bit pixels in the Windows colour form (0x00BBGGRR), rows top down.
// Both widget sets draw from this, so a picture looks the same in tests and on screen.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/color.h"

namespace kelvara::ui {

class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, Color fill = clBlack);

    // Decoders; they throw PictureError saying what is wrong with the bytes.
    static Picture FromJpeg(std::span<const std::uint8_t> bytes);
    static Picture FromBmp(std::span<const std::uint8_t> bytes);
    // Chooses by the first bytes ("BM" or the JPEG start marker).
    static Picture FromBytes(std::span<const std::uint8_t> bytes);

    bool Empty() const { return width_ == 0 || height_ == 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Color Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    void SetPixel(int x, int y, Color c) { pixels_[static_cast<std::size_t>(y) * width_ + x] = c; }
    const std::vector<Color>& Pixels() const { return pixels_; }

    friend bool operator==(const Picture&, const Picture&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Color> pixels_;
};

}  // namespace kelvara::ui
