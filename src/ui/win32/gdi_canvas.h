#pragma once
// Canvas over a GDI device context. Every pen, brush, font and bitmap it makes is selected
// and deselected, made and deleted within one call.
#include "ui/canvas.h"
#include "ui/win32/win32_api.h"

namespace kelvara::ui::win32 {

class GdiCanvas : public Canvas {
public:
    GdiCanvas(HDC dc, Rect bounds);
    ~GdiCanvas() override;

protected:
    void DoFillRect(Rect device, Color c) override;
    void DoSetPixel(Point device, Color c) override;
    void DoText(Rect device, std::string_view text, const Font& font, const TextFormat& format) override;
    Size DoTextExtent(std::string_view text, const Font& font) override;
    void DoDraw(Rect device, const Picture& picture, Color transparentColor) override;
    void DoLine(Point a, Point b, Color c) override;
    void DoSetClip(Rect device) override;

private:
    HDC dc_;
    int savedState_;
};

// A font made from the framework's description; the caller owns it (DeleteObject).
HFONT MakeFont(const Font& font);

// How far to the right a line of text really paints, drawn at x = 0 as a label draws it: one past
// its last coloured pixel, 0 for a text that paints nothing. Under Wine this can differ from the
// measured width by several pixels either way (its stand-in fonts paint "w" about two pixels
// wider than they measure it, "m" narrower), so captions are sized by both.
int PaintedTextRight(HDC screen, std::string_view text, const Font& font, Size measured);

// An off-screen bitmap of a window's size: paint into dc(), then copy once to the screen.
class MemoryDc {
public:
    MemoryDc(HDC screen, int width, int height);
    ~MemoryDc();
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

}  // namespace kelvara::ui::win32
