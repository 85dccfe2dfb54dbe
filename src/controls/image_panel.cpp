#include "controls/image_panel.h"

#include <algorithm>

#include "ui/canvas.h"
#include "ui/widget_set.h"

namespace kelvara::controls {

void TImagePanel::SetPicture(ui::Picture picture)
{
    picture_ = std::move(picture);
    FitToPicture();
    Invalidate();
}

void TImagePanel::SetDrawStyle(TDrawStyle style)
{
    drawStyle_ = style;
    Invalidate();
}

void TImagePanel::SetTransparent(bool on)
{
    transparent_ = on;
    Invalidate();
}

void TImagePanel::SetAlignment(ui::TextAlign alignment)
{
    alignment_ = alignment;
    Invalidate();
}

void TImagePanel::SetAutoSize(bool on)
{
    autoSize_ = on;
    FitToPicture();
}

void TImagePanel::FitToPicture()
{
    if (autoSize_ && !picture_.Empty())
        SetBounds({Left(), Top(), picture_.Width(), picture_.Height()});
}

void TImagePanel::Paint(ui::Canvas& canvas)
{
    const ui::Rect client = ClientRect();
    if (!picture_.Empty()) {
        switch (drawStyle_) {
        case TDrawStyle::dsNormal:
            canvas.Draw({0, 0}, picture_);
            break;
        case TDrawStyle::dsStretch:
            canvas.StretchDraw(client, picture_);
            break;
        case TDrawStyle::dsTile:
            // The canvas clips to the panel, so the last row and column are cut at its edge.
            for (int y = 0; y < client.height; y += picture_.Height())
                for (int x = 0; x < client.width; x += picture_.Width())
                    canvas.Draw({x, y}, picture_);
            break;
        }
    } else if (!transparent_) {
        canvas.FillRect(client, GetColor());
    }

    const std::string caption = Caption();
    const bool blank = std::all_of(caption.begin(), caption.end(),
                                   [](unsigned char c) { return c <= ' '; });
    if (!blank) {
        ui::TextFormat format;
        format.align = alignment_;
        format.verticalCenter = true;
        format.transparent = true;
        canvas.DrawText(client, caption, GetFont(), format);
    }
}

}  // namespace kelvara::controls
