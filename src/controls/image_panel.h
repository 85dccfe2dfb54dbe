// TImagePanel: a windowed panel without bevels that shows a picture (at the corner, stretched or
// tiled) or a plain colour, with an optional one-line caption. The main window's separator
// lines are 1-pixel-high image panels in the active-caption colour.
#pragma once

#include "ui/picture.h"
#include "ui/win_control.h"

namespace kelvara::controls {

enum class TDrawStyle : std::uint8_t { dsNormal, dsStretch, dsTile };

class TImagePanel : public ui::CustomControl {
public:
    const ui::Picture& GetPicture() const { return picture_; }
    void SetPicture(ui::Picture picture);
    TDrawStyle DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TDrawStyle style);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    ui::TextAlign Alignment() const { return alignment_; }
    void SetAlignment(ui::TextAlign alignment);
    // AutoSize: the panel takes the size of its picture whenever one is set.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    void Paint(ui::Canvas& canvas) override;

private:
    void FitToPicture();

    ui::Picture picture_;
    TDrawStyle drawStyle_ = TDrawStyle::dsNormal;
    bool transparent_ = false;
    ui::TextAlign alignment_ = ui::TextAlign::Center;
    bool autoSize_ = false;
};

}  // namespace kelvara::controls
