#include "ui/canvas.h"

#include <cstdlib>

#include "ui/application.h"

namespace kelvara::ui {

Canvas::Scope::Scope(Canvas& canvas, Point offset, Rect clip)
    : canvas_(canvas), savedOrigin_(canvas.origin_), savedClip_(canvas.clip_) {
    canvas_.origin_ = {savedOrigin_.x + offset.x, savedOrigin_.y + offset.y};
    canvas_.clip_ = clip.Offset(savedOrigin_.x, savedOrigin_.y).Intersect(savedClip_);
    canvas_.DoSetClip(canvas_.clip_);
}

Canvas::Scope::~Scope() {
    canvas_.origin_ = savedOrigin_;
    canvas_.clip_ = savedClip_;
    canvas_.DoSetClip(canvas_.clip_);
}

Color Canvas::Resolve(Color c) const {
    if (!IsSystemColor(c)) return c;
    int index = static_cast<int>(c & ~kSystemColorFlag);
    if (Application* app = Application::Current()) return app->Widgets().ResolveSystemColor(index);
    return DefaultSystemColor(index);
}

void Canvas::FillRect(Rect r, Color c) {
    if (c == clNone) return;
    Rect device = r.Offset(origin_.x, origin_.y).Intersect(clip_);
    if (device.Empty()) return;
    DoFillRect(device, Resolve(c));
}

void Canvas::FrameRect(Rect r, Color c) {
    if (r.Empty()) return;
    FillRect({r.left, r.top, r.width, 1}, c);
    FillRect({r.left, r.Bottom() - 1, r.width, 1}, c);
    FillRect({r.left, r.top, 1, r.height}, c);
    FillRect({r.Right() - 1, r.top, 1, r.height}, c);
}

void Canvas::Line(Point a, Point b, Color c) {
    if (c == clNone) return;
    DoLine({a.x + origin_.x, a.y + origin_.y}, {b.x + origin_.x, b.y + origin_.y}, Resolve(c));
}

void Canvas::SetPixel(Point p, Color c) {
    Point d{p.x + origin_.x, p.y + origin_.y};
    if (c == clNone || !clip_.Contains(d)) return;
    DoSetPixel(d, Resolve(c));
}

void Canvas::DoLine(Point a, Point b, Color c) {
    // Bresenham, without the end point.
    int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
    int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    Point p = a;
    while (!(p.x == b.x && p.y == b.y)) {
        if (clip_.Contains(p)) DoSetPixel(p, c);
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; p.x += sx; }
        if (e2 <= dx) { err += dx; p.y += sy; }
    }
}

void Canvas::TextOut(Point p, std::string_view text, const Font& font, bool transparent, Color background) {
    Size extent = DoTextExtent(text, font);
    TextFormat format;
    format.transparent = transparent;
    format.background = background;
    Rect device{p.x + origin_.x, p.y + origin_.y, extent.width, extent.height};
    Font resolved = font;
    resolved.color = Resolve(font.color);
    if (!transparent && background != clNone) format.background = Resolve(background);
    DoText(device, text, resolved, format);
}

void Canvas::DrawText(Rect r, std::string_view text, const Font& font, const TextFormat& format) {
    Font resolved = font;
    resolved.color = Resolve(font.color);
    TextFormat f = format;
    if (f.background != clNone) f.background = Resolve(f.background);
    // While the window hides access keys the marks are taken out here, and the text drawn as it
    // reads: Wine's DrawText underlines in spite of DT_HIDEPREFIX.
    if (f.accessKeyPrefix && cues_.AccelHidden()) {
        f.accessKeyPrefix = false;
        DoText(r.Offset(origin_.x, origin_.y), StripAccessKey(text), resolved, f);
        return;
    }
    DoText(r.Offset(origin_.x, origin_.y), text, resolved, f);
}

Size Canvas::TextExtent(std::string_view text, const Font& font) { return DoTextExtent(text, font); }

void Canvas::Draw(Point p, const Picture& picture, Color transparentColor) {
    if (picture.Empty()) return;
    DoDraw({p.x + origin_.x, p.y + origin_.y, picture.Width(), picture.Height()}, picture, transparentColor);
}

void Canvas::StretchDraw(Rect r, const Picture& picture) {
    if (picture.Empty() || r.Empty()) return;
    DoDraw(r.Offset(origin_.x, origin_.y), picture, clNone);
}

void Canvas::DrawFocusMark(Rect r, Color c) {
    if (r.Empty() || cues_.FocusHidden()) return;
    for (int x = r.left; x < r.Right(); x += 2) {
        SetPixel({x, r.top}, c);
        SetPixel({x, r.Bottom() - 1}, c);
    }
    for (int y = r.top; y < r.Bottom(); y += 2) {
        SetPixel({r.left, y}, c);
        SetPixel({r.Right() - 1, y}, c);
    }
}

}  // namespace kelvara::ui
