#pragma once
// The windowless kinds of the framework: the label and the picture.
#include "ui/control.h"
#include "ui/picture.h"

namespace kelvara::ui {

class TLabel : public GraphicControl {
public:
    TextAlign Alignment() const { return alignment_; }
    void SetAlignment(TextAlign a) { alignment_ = a; Invalidate(); }
    // Transparent: the parent's surface shows around the glyphs; otherwise the label fills its
    // bounds with its colour first.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; Invalidate(); }
    // Show '&' as the access-key mark (underline) rather than as a character.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool on) { showAccelChar_ = on; Invalidate(); }
    // The caption as drawn: without its access-key marks when they are shown as an underline.
    std::string ShownCaption() const { return showAccelChar_ ? StripAccessKey(Caption()) : Caption(); }

    void ApplyKindFlags(unsigned flags) override;
    void Paint(Canvas& canvas) override;

private:
    TextAlign alignment_ = TextAlign::Left;
    bool transparent_ = false;
    bool showAccelChar_ = true;
};

class TImage : public GraphicControl {
public:
    const Picture& GetPicture() const { return picture_; }
    void SetPicture(Picture p) { picture_ = std::move(p); Invalidate(); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s) { stretch_ = s; Invalidate(); }
    // Transparent: the colour of the picture's top-left pixel is see-through.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; Invalidate(); }

    void ApplyKindFlags(unsigned flags) override;
    void Paint(Canvas& canvas) override;

private:
    Picture picture_;
    bool stretch_ = false;
    bool transparent_ = false;
};

}  // namespace kelvara::ui
