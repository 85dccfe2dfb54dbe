// TURLLabel: a label that opens its web address in the browser when clicked, red under the
// mouse and FontLinkColor otherwise.
#pragma once

#include <string>

#include "ui/standard_controls.h"

namespace kelvara::controls {

class TURLLabel : public ui::TLabel {
public:
    TURLLabel();

    const std::string& URL() const { return url_; }
    void SetURL(std::string url) { url_ = std::move(url); }
    ui::Color FontHoverColor() const { return fontHoverColor_; }
    void SetFontHoverColor(ui::Color c) { fontHoverColor_ = c; }
    // Setting the link colour also recolours the text at once.
    ui::Color FontLinkColor() const { return fontLinkColor_; }
    void SetFontLinkColor(ui::Color c);

    void MouseEnter() override;
    void MouseLeave() override;
    void Click() override;

private:
    void SetFontColor(ui::Color c);

    std::string url_;
    ui::Color fontHoverColor_ = ui::clRed;
    ui::Color fontLinkColor_ = ui::clBlue;
};

}  // namespace kelvara::controls
