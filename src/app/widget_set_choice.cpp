#include "app/widget_set_choice.h"

#if defined(_WIN32)
#include "ui/win32/win32_widget_set.h"
#else
#include "ui/headless/headless_widget_set.h"
#endif

namespace kelvara::app {

#if defined(_WIN32)

std::unique_ptr<ui::WidgetSet> CreateProgramWidgetSet()
{
    return std::make_unique<ui::win32::Win32WidgetSet>();
}

bool PresentsOnConsole()
{
    return false;
}

#else

std::unique_ptr<ui::WidgetSet> CreateProgramWidgetSet()
{
    return std::make_unique<ui::headless::HeadlessWidgetSet>(ui::headless::Mode::Console);
}

bool PresentsOnConsole()
{
    return true;
}

#endif

}  // namespace kelvara::app
