// TURLLabel: a label that opens its web address in the browser when clicked, red under the
// mouse and FontLinkColor otherwise. It sizes itself to its text (AutoSize), so the hand
// cursor and the click cover the words and nothing beside them, in every language.
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
    // On by default: width and height follow the caption as the font measures it, after
    // every change of caption or font (bounds set afterwards stand, so a window may still
    // widen it for what the screen paints beyond the measure). The edge the alignment holds
    // stays put.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    void MouseEnter() override;
    void MouseLeave() override;
    void Click() override;

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    void SetFontColor(ui::Color c);
    void AdjustSize();

    std::string url_;
    ui::Color fontHoverColor_ = ui::clRed;
    ui::Color fontLinkColor_ = ui::clBlue;
    bool autoSize_ = true;
    bool adjusting_ = false;
};

}  // namespace kelvara::controls
