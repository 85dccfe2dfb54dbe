#include "ui/headless/recording_canvas.h"

#include <cstdlib>

namespace kelvara::ui::headless {
namespace {

// Advance widths of MS Sans Serif at 8 points (height -11), close enough for layout: narrow
// letters 2-3 pixels, most 5-6, wide ones 7-9.
int CharWidth(char c) {
    switch (c) {
        case 'i': case 'l': case 'j': case '.': case ',': case ':': case ';': case '\'': case '!': case '|':
            return 2;
        case 'I': case ' ': case 'f': case 't': case 'r': case '(': case ')': case '[': case ']': case '-':
            return 3;
        case 'm': case 'M': return 8;
        case 'w': case 'W': return 9;
        case '%': return 8;
        default: break;
    }
    if (c >= 'A' && c <= 'Z') return 7;
    return 5;
}

}  // namespace

RecordingCanvas::RecordingCanvas(Size size, Color background)
    : Canvas({0, 0, size.width, size.height}),
      surface_(size.width, size.height, background == clNone ? clWhite : Resolve(background)) {}

std::vector<std::string> RecordingCanvas::Texts() const {
    std::vector<std::string> out;
    for (const DrawOp& op : ops_)
        if (op.kind == DrawOp::Text) out.push_back(op.text);
    return out;
}

Size RecordingCanvas::MeasureText(std::string_view text, const Font& font) {
    int h = font.height < 0 ? -font.height : (font.height == 0 ? 11 : font.height);
    int width = 0;
    for (char c : text) width += CharWidth(c) + ((font.bold && c != ' ') ? 1 : 0);
    return {(width * h + 5) / 11, h + 2};
}

void RecordingCanvas::Put(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= surface_.Width() || y >= surface_.Height()) return;
    if (!Clip().Contains({x, y})) return;
    surface_.SetPixel(x, y, c);
}

void RecordingCanvas::DoFillRect(Rect device, Color c) {
    DrawOp op;
    op.kind = DrawOp::Fill;
    op.rect = device;
    op.color = c;
    ops_.push_back(op);
    for (int y = device.top; y < device.Bottom(); ++y)
        for (int x = device.left; x < device.Right(); ++x) Put(x, y, c);
}

void RecordingCanvas::DoSetPixel(Point device, Color c) {
    DrawOp op;
    op.kind = DrawOp::Pixel;
    op.a = device;
    op.color = c;
    ops_.push_back(op);
    Put(device.x, device.y, c);
}

void RecordingCanvas::DoLine(Point a, Point b, Color c) {
    DrawOp op;
    op.kind = DrawOp::Line;
    op.a = a;
    op.b = b;
    op.color = c;
    ops_.push_back(op);
    int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
    int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    Point p = a;
    while (!(p.x == b.x && p.y == b.y)) {
        Put(p.x, p.y, c);
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; p.x += sx; }
        if (e2 <= dx) { err += dx; p.y += sy; }
    }
}

void RecordingCanvas::DoText(Rect device, std::string_view text, const Font& font, const TextFormat& format) {
    DrawOp op;
    op.kind = DrawOp::Text;
    op.rect = device;
    op.color = font.color;
    op.font = font;
    op.format = format;
    op.text = format.accessKeyPrefix ? StripAccessKey(text, &op.underline) : std::string(text);
    ops_.push_back(op);
    if (!format.transparent && format.background != clNone)
        for (int y = device.top; y < device.Bottom(); ++y)
            for (int x = device.left; x < device.Right(); ++x) Put(x, y, format.background);
    if (!rasterText_) return;
    Size extent = MeasureText(op.text, font);
    int left = device.left;
    if (format.align == TextAlign::Center) left += (device.width - extent.width) / 2;
    if (format.align == TextAlign::Right) left += device.width - extent.width;
    int top = format.verticalCenter ? device.top + (device.height - extent.height) / 2 : device.top;
    for (int y = top + 2; y < top + extent.height - 2; ++y)
        for (int x = left; x < left + extent.width; ++x) Put(x, y, font.color);
}

Size RecordingCanvas::DoTextExtent(std::string_view text, const Font& font) { return MeasureText(text, font); }

void RecordingCanvas::DoDraw(Rect device, const Picture& picture, Color transparentColor) {
    DrawOp op;
    op.kind = DrawOp::Picture;
    op.rect = device;
    op.transparentColor = transparentColor;
    ops_.push_back(op);
    for (int y = 0; y < device.height; ++y)
        for (int x = 0; x < device.width; ++x) {
            int sx = static_cast<int>(static_cast<long long>(x) * picture.Width() / device.width);
            int sy = static_cast<int>(static_cast<long long>(y) * picture.Height() / device.height);
            Color c = picture.Pixel(sx, sy);
            if (transparentColor != clNone && c == transparentColor) continue;
            Put(device.left + x, device.top + y, c);
        }
}

}  // namespace kelvara::ui::headless
