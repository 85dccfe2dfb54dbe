#pragma once
// A canvas that records what was drawn, and also rasterises it into a picture of the
// surface's size (rectangles, lines, pixels and pictures; text is recorded, and drawn as a
// filled box of its extent only when RasterText is on) so tests can read pixels back.
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace kelvara::ui::headless {

struct DrawOp {
    enum Kind { Fill, Pixel, Line, Text, Picture } kind = Fill;
    Rect rect;          // device coordinates: the filled rect, the text rect, the picture's rect
    Point a, b;         // line ends
    Color color = 0;    // resolved fill / line / pixel colour, or the text colour
    std::string text;   // text without access-key marks
    int underline = -1; // index of the underlined (access-key) character
    Font font;
    TextFormat format;
    Color transparentColor = clNone;
};

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(Size size, Color background = clNone);
    const std::vector<DrawOp>& Ops() const { return ops_; }
    // The rasterised surface.
    const Picture& Surface() const { return surface_; }
    Color PixelAt(int x, int y) const { return surface_.Pixel(x, y); }
    // Texts drawn, in order.
    std::vector<std::string> Texts() const;
    void SetRasterText(bool on) { rasterText_ = on; }

    // Text metrics: a fixed per-character table close to MS Sans Serif 8 pt, scaled with
    // the font height; bold adds a pixel per character. Deterministic, so layout tests
    // can compute expected widths.
    static Size MeasureText(std::string_view text, const Font& font);

protected:
    void DoFillRect(Rect device, Color c) override;
    void DoSetPixel(Point device, Color c) override;
    void DoText(Rect device, std::string_view text, const Font& font, const TextFormat& format) override;
    Size DoTextExtent(std::string_view text, const Font& font) override;
    void DoDraw(Rect device, const Picture& picture, Color transparentColor) override;
    void DoLine(Point a, Point b, Color c) override;

private:
    void Put(int x, int y, Color c);
    std::vector<DrawOp> ops_;
    Picture surface_;
    bool rasterText_ = false;
};

}  // namespace kelvara::ui::headless
