#pragma once
// The drawing surface handed to a control's Paint. Coordinates are the control's own (0, 0 is
// its top-left corner); the canvas adds the control's origin and clips to its bounds, so a
// control never paints over its neighbours. Backends implement the Do* primitives in device
// coordinates.
#include <string>
#include <string_view>
#include <vector>

#include "ui/access_key.h"
#include "ui/color.h"
#include "ui/font.h"
#include "ui/geometry.h"
#include "ui/keyboard_cues.h"
#include "ui/picture.h"

namespace kelvara::ui {

enum class TextAlign { Left, Center, Right };

struct TextFormat {
    TextAlign align = TextAlign::Left;
    bool verticalCenter = false;
    // '&' marks the access key: it is not drawn, the next character is underlined ("&&" is '&').
    bool accessKeyPrefix = false;
    // Transparent: only the glyphs are drawn; otherwise the text rectangle is filled first.
    bool transparent = true;
    Color background = clNone;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    void FillRect(Rect r, Color c);
    // One-pixel frame just inside r.
    void FrameRect(Rect r, Color c);
    // A line from a to b, b itself not drawn (as LineTo).
    void Line(Point a, Point b, Color c);
    void SetPixel(Point p, Color c);
    // Text with its top-left corner at p, on one line.
    void TextOut(Point p, std::string_view text, const Font& font, bool transparent = true,
                 Color background = clNone);
    // Text on one line placed in r by the format.
    void DrawText(Rect r, std::string_view text, const Font& font, const TextFormat& format);
    Size TextExtent(std::string_view text, const Font& font);
    int TextWidth(std::string_view text, const Font& font) { return TextExtent(text, font).width; }
    // The picture at p in its own size; pixels of `transparentColor` are left out unless it is clNone.
    void Draw(Point p, const Picture& picture, Color transparentColor = clNone);
    // The picture stretched to r.
    void StretchDraw(Rect r, const Picture& picture);
    // The focus mark: a dotted one-pixel rectangle just inside r (every other pixel, from the
    // corner), left out while the window hides focus marks.
    void DrawFocusMark(Rect r, Color c);

    // The keyboard cues of the window painted: access keys in DrawText are underlined and
    // DrawFocusMark draws only while they show. Shown unless the painter says otherwise.
    const KeyboardCues& Cues() const { return cues_; }
    void SetCues(const KeyboardCues& cues) { cues_ = cues; }

    // Moves the origin by `offset` and narrows the clipping to `clip` (given in the coordinates
    // before the move) until the scope ends; the form sets one per control it paints.
    class Scope {
    public:
        Scope(Canvas& canvas, Point offset, Rect clip);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Canvas& canvas_;
        Point savedOrigin_;
        Rect savedClip_;
    };

    Point Origin() const { return origin_; }
    Rect Clip() const { return clip_; }
    // Resolves system colours through the widget set.
    virtual Color Resolve(Color c) const;

protected:
    explicit Canvas(Rect deviceBounds) : clip_(deviceBounds), bounds_(deviceBounds) {}

    virtual void DoFillRect(Rect device, Color c) = 0;
    virtual void DoSetPixel(Point device, Color c) = 0;
    virtual void DoText(Rect device, std::string_view text, const Font& font, const TextFormat& format) = 0;
    virtual Size DoTextExtent(std::string_view text, const Font& font) = 0;
    virtual void DoDraw(Rect device, const Picture& picture, Color transparentColor) = 0;
    // Lines default to pixels; backends may draw them natively.
    virtual void DoLine(Point a, Point b, Color c);
    virtual void DoSetClip(Rect device) {}

private:
    Point origin_{};
    Rect clip_{};
    Rect bounds_{};
    KeyboardCues cues_{true};
};

}  // namespace kelvara::ui
