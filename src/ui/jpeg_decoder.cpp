// JPEG through libjpeg. libjpeg reports errors through a callback that must not return; we
// leave it with longjmp to a point in this function only (no C++ objects live between the
// setjmp and the calls), and turn the message into a PictureError.
#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "ui/picture.h"

namespace kelvara::ui {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}  // warnings are not worth a line on stderr

constexpr JDIMENSION kMaxSide = 8192;

}  // namespace

Picture Picture::FromJpeg(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) throw PictureError("JPEG: no data");
    jpeg_decompress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.output_message = OnMessage;
    std::vector<std::uint8_t> rgb;  // made before the setjmp, so longjmp skips no constructor
    JDIMENSION width = 0, height = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        throw PictureError(std::string("JPEG: ") + err.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        throw PictureError("JPEG: size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported");
    }
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    while (info.output_scanline < height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    Picture pic(static_cast<int>(width), static_cast<int>(height));
    for (JDIMENSION y = 0; y < height; ++y)
        for (JDIMENSION x = 0; x < width; ++x) {
            const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            pic.SetPixel(static_cast<int>(x), static_cast<int>(y), Rgb(p[0], p[1], p[2]));
        }
    return pic;
}

}  // namespace kelvara::ui
