#include "controls/image_panel.h"

#include "common/ascii_text.h"
#include "ui/canvas.h"
#include "ui/form.h"
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
    // An opaque panel is filled first, so a picture smaller than the panel (drawn at the
    // corner) does not leave the rest of the off-screen bitmap showing.
    if (transparent_)
        PaintParentSurface(canvas);
    else
        canvas.FillRect(client, GetColor());
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
    }

    const std::string caption = Caption();
    if (!common::AsciiBlank(caption)) {
        ui::TextFormat format;
        format.align = alignment_;
        format.verticalCenter = true;
        format.transparent = true;
        canvas.DrawText(client, caption, GetFont(), format);
    }
}

}  // namespace kelvara::controls
