#include "controls/url_label.h"

#include "common/ascii_text.h"
#include "ui/application.h"
#include "ui/widget_set.h"

namespace kelvara::controls {

TURLLabel::TURLLabel()
{
    ui::Font font = GetFont();
    font.underline = true;
    font.color = fontLinkColor_;
    SetFont(font);
    SetCursor(ui::Cursor::HandPoint);
}

void TURLLabel::SetFontColor(ui::Color c)
{
    ui::Font font = GetFont();
    if (font.color == c)
        return;
    font.color = c;
    SetFont(font);
}

void TURLLabel::SetFontLinkColor(ui::Color c)
{
    fontLinkColor_ = c;
    SetFontColor(c);
}

void TURLLabel::SetAutoSize(bool on)
{
    autoSize_ = on;
    AdjustSize();
}

void TURLLabel::TextChanged()
{
    TLabel::TextChanged();
    AdjustSize();
}

void TURLLabel::FontChanged()
{
    TLabel::FontChanged();
    AdjustSize();
}

// Measured by the widget set; without one (no application yet), or without a text to fit, the
// designed size stays.
void TURLLabel::AdjustSize()
{
    ui::Application* app = ui::Application::Current();
    if (!autoSize_ || adjusting_ || !app)
        return;
    const std::string text = ShowAccelChar() ? ui::StripAccessKey(Caption()) : Caption();
    if (text.empty())
        return;
    const ui::Size size = app->Widgets().TextExtent(text, GetFont());
    const ui::Rect now = Bounds();
    if (size.width == now.width && size.height == now.height)
        return;
    int left = now.left;
    if (Alignment() == ui::TextAlign::Right)
        left = now.Right() - size.width;
    else if (Alignment() == ui::TextAlign::Center)
        left = now.left + (now.width - size.width) / 2;
    adjusting_ = true;
    SetBounds({left, now.top, size.width, size.height});
    adjusting_ = false;
}

void TURLLabel::MouseEnter()
{
    SetFontColor(fontHoverColor_);
    TLabel::MouseEnter();
}

void TURLLabel::MouseLeave()
{
    SetFontColor(fontLinkColor_);
    TLabel::MouseLeave();
}

void TURLLabel::Click()
{
    if (!common::AsciiBlank(url_)) {
        if (ui::Application* app = ui::Application::Current())
            app->OpenUrl(url_);   // no browser is not worth a message: the click just does nothing
    }
    TLabel::Click();
}

}  // namespace kelvara::controls
