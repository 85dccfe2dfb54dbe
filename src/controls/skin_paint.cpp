#include "controls/skin_paint.h"

namespace kelvara::controls {

void DrawSkinCaption(ui::Canvas& canvas, ui::Rect r, const std::string& caption, ui::Font font, ui::TextAlign align,
                     bool enabled, const SkinStyle& style, ui::Color color) {
    if (caption.empty()) return;
    ui::TextFormat format;
    format.align = align;
    format.verticalCenter = true;
    format.accessKeyPrefix = true;
    if (enabled) {
        font.color = color == ui::clNone ? style.caption : color;
        canvas.DrawText(r, caption, font, format);
        return;
    }
    font.color = style.captionEmboss;
    canvas.DrawText(r.Offset(1, 1), caption, font, format);
    font.color = style.captionDisabled;
    canvas.DrawText(r, caption, font, format);
}

void DrawFocusMark(ui::Canvas& canvas, ui::Rect r, ui::Color color) {
    if (r.Empty()) return;
    for (int x = r.left; x < r.Right(); x += 2) {
        canvas.SetPixel({x, r.top}, color);
        canvas.SetPixel({x, r.Bottom() - 1}, color);
    }
    for (int y = r.top; y < r.Bottom(); y += 2) {
        canvas.SetPixel({r.left, y}, color);
        canvas.SetPixel({r.Right() - 1, y}, color);
    }
}

}  // namespace kelvara::controls
