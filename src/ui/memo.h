#pragma once
// Native multi-line text field; the program uses it read-only to show a path.
#include "ui/win_control.h"

namespace kelvara::ui {

class TMemo : public WinControl {
public:
    // The text is the caption: Caption()/SetCaption() read and write it ("Text" in other
    // frameworks). Lines are separated by "\r\n".
    const std::string Text() const { return Caption(); }
    void SetText(const std::string& t) { SetCaption(t); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r) { readOnly_ = r; }
    bool Border() const { return border_; }
    void SetBorder(bool b) { border_ = b; }
    // A memo's text is data, not a caption: the translation leaves it alone.
    bool HasCaption() const override { return false; }
    void ApplyKindFlags(unsigned flags) override;

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;

private:
    bool readOnly_ = false;
    bool border_ = true;
};

}  // namespace kelvara::ui
