#include "app/caption_width.h"

#include <string>

#include "ui/application.h"
#include "ui/canvas.h"

namespace kelvara::app {

int CaptionWidth(std::string_view caption, const ui::Font& font)
{
    const std::string shown = ui::StripAccessKey(caption);
    return ui::Application::Instance().Widgets().TextExtent(shown, font).width;
}

}  // namespace kelvara::app
