#include "controls/url_label.h"

#include "common/ascii_text.h"
#include "ui/application.h"

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
