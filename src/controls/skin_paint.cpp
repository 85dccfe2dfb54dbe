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

}  // namespace kelvara::controls
