#include "ui/win32/gdi_canvas.h"

#include <cstring>
#include <string>
#include <vector>

namespace kelvara::ui::win32 {
namespace {

COLORREF ToColorRef(Color c) { return static_cast<COLORREF>(c & 0x00FFFFFF); }

// Selects an object into a DC for one scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Owns a GDI object for one scope.
template <class Handle>
class Owned {
public:
    explicit Owned(Handle h) : h_(h) {}
    ~Owned() {
        if (h_) DeleteObject(h_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Handle get() const { return h_; }

private:
    Handle h_;
};

// A 32-bit top-down DIB header for a picture (DIB rows are blue, green, red, unused).
BITMAPINFO DibHeader(const Picture& p) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = p.Width();
    bi.bmiHeader.biHeight = -p.Height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

std::vector<DWORD> DibPixels(const Picture& p) {
    std::vector<DWORD> out(p.Pixels().size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        Color c = p.Pixels()[i];
        out[i] = (static_cast<DWORD>(RedOf(c)) << 16) | (static_cast<DWORD>(GreenOf(c)) << 8) | BlueOf(c);
    }
    return out;
}

}  // namespace

HFONT MakeFont(const Font& font) {
    return CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, font.underline, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, font.name.c_str());
}

MemoryDc::MemoryDc(HDC screen, int width, int height)
    : dc_(CreateCompatibleDC(screen)),
      bitmap_(CreateCompatibleBitmap(screen, width > 0 ? width : 1, height > 0 ? height : 1)),
      old_(SelectObject(dc_, bitmap_)) {}

MemoryDc::~MemoryDc() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

GdiCanvas::GdiCanvas(HDC dc, Rect bounds) : Canvas(bounds), dc_(dc), savedState_(SaveDC(dc)) {}

GdiCanvas::~GdiCanvas() { RestoreDC(dc_, savedState_); }

void GdiCanvas::DoSetClip(Rect device) {
    Owned<HRGN> region(CreateRectRgn(device.left, device.top, device.Right(), device.Bottom()));
    SelectClipRgn(dc_, region.get());  // the DC keeps a copy
}

void GdiCanvas::DoFillRect(Rect device, Color c) {
    Owned<HBRUSH> brush(CreateSolidBrush(ToColorRef(c)));
    RECT r{device.left, device.top, device.Right(), device.Bottom()};
    ::FillRect(dc_, &r, brush.get());
}

void GdiCanvas::DoSetPixel(Point device, Color c) { SetPixelV(dc_, device.x, device.y, ToColorRef(c)); }

void GdiCanvas::DoLine(Point a, Point b, Color c) {
    Owned<HPEN> pen(CreatePen(PS_SOLID, 1, ToColorRef(c)));
    Selected selected(dc_, pen.get());
    MoveToEx(dc_, a.x, a.y, nullptr);
    LineTo(dc_, b.x, b.y);
}

void GdiCanvas::DoText(Rect device, std::string_view text, const Font& font, const TextFormat& format) {
    if (!format.transparent && format.background != clNone) DoFillRect(device, format.background);
    Owned<HFONT> hfont(MakeFont(font));
    Selected selected(dc_, hfont.get());
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, ToColorRef(font.color));
    UINT flags = DT_SINGLELINE | DT_NOCLIP;
    if (format.align == TextAlign::Center) flags |= DT_CENTER;
    if (format.align == TextAlign::Right) flags |= DT_RIGHT;
    if (format.verticalCenter) flags |= DT_VCENTER;
    if (!format.accessKeyPrefix) flags |= DT_NOPREFIX;
    RECT r{device.left, device.top, device.Right(), device.Bottom()};
    std::string s(text);
    DrawTextA(dc_, s.c_str(), static_cast<int>(s.size()), &r, flags);
}

Size GdiCanvas::DoTextExtent(std::string_view text, const Font& font) {
    Owned<HFONT> hfont(MakeFont(font));
    Selected selected(dc_, hfont.get());
    SIZE size{};
    std::string s(text);
    GetTextExtentPoint32A(dc_, s.c_str(), static_cast<int>(s.size()), &size);
    if (s.empty()) {
        TEXTMETRICA tm{};
        GetTextMetricsA(dc_, &tm);
        size.cy = tm.tmHeight;
    }
    return {size.cx, size.cy};
}

void GdiCanvas::DoDraw(Rect device, const Picture& picture, Color transparentColor) {
    BITMAPINFO bi = DibHeader(picture);
    std::vector<DWORD> bits = DibPixels(picture);
    if (transparentColor == clNone) {
        SetStretchBltMode(dc_, COLORONCOLOR);
        StretchDIBits(dc_, device.left, device.top, device.width, device.height, 0, 0, picture.Width(),
                      picture.Height(), bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    // The picture goes into a bitmap of its own, then GdiTransparentBlt leaves out its key colour
    // (gdi32's own, since Windows 2000: msimg32 would be looked for beside the program first).
    HDC source = CreateCompatibleDC(dc_);
    {
        Owned<HBITMAP> bitmap(CreateCompatibleBitmap(dc_, picture.Width(), picture.Height()));
        Selected selected(source, bitmap.get());
        SetDIBitsToDevice(source, 0, 0, picture.Width(), picture.Height(), 0, 0, 0, picture.Height(), bits.data(),
                          &bi, DIB_RGB_COLORS);
        GdiTransparentBlt(dc_, device.left, device.top, device.width, device.height, source, 0, 0, picture.Width(),
                          picture.Height(), ToColorRef(transparentColor));
    }
    DeleteDC(source);
}

int PaintedTextRight(HDC screen, std::string_view text, const Font& font, Size measured) {
    if (text.empty()) return 0;
    // Room for letters that reach well past the measure, and for a line as tall as the font.
    const int width = 2 * measured.width + 2 * measured.height + 16;
    const int height = measured.height + 4;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Owned<HBITMAP> bitmap(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC dc = CreateCompatibleDC(screen);
    if (!bitmap.get() || !bits || !dc) {
        if (dc) DeleteDC(dc);
        return measured.width;
    }
    int right = 0;
    {
        Selected selectedBitmap(dc, bitmap.get());
        auto* pixels = static_cast<DWORD*>(bits);
        std::memset(pixels, 0xFF, static_cast<std::size_t>(width) * height * sizeof(DWORD));
        Owned<HFONT> hfont(MakeFont(font));
        Selected selectedFont(dc, hfont.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT r{0, 0, width, height};
        std::string s(text);
        DrawTextA(dc, s.c_str(), static_cast<int>(s.size()), &r, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
        GdiFlush();
        for (int y = 0; y < height; ++y)
            for (int x = width - 1; x >= right; --x)
                if ((pixels[static_cast<std::size_t>(y) * width + x] & 0x00FFFFFF) != 0x00FFFFFF) {
                    right = x + 1;
                    break;
                }
    }
    DeleteDC(dc);
    return right;
}

}  // namespace kelvara::ui::win32
