#include "app/caption_width.h"

#include "ui/canvas.h"
#include "ui/headless/recording_canvas.h"

namespace kelvara::app {

int CaptionWidth(std::string_view caption, const ui::Font& font)
{
    return ui::headless::RecordingCanvas::MeasureText(ui::StripAccessKey(caption), font).width;
}

}  // namespace kelvara::app
