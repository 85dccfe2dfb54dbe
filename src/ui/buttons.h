#pragma once
// What a push button and a check box do, whoever draws them: the native TButton and TCheckBox
// here, and the program's own drawn ones (controls/) on the same behaviour over another base.
#include "ui/form_table.h"
#include "ui/win_control.h"

namespace kelvara::ui {

namespace detail {
// Gives a button's modal result to the form holding it (mrNone leaves a modal form open).
void GiveModalResult(const Control& button, int result);
}  // namespace detail

// A push button: a click gives its modal result to the form, then runs the handler, so a modal
// form ends after the handler has run. Enter clicks the default button, Escape the cancel
// button, Space the focused one, and its access key clicks it.
template <class Base>
class PushButtonBehaviour : public Base {
public:
    PushButtonBehaviour() { this->SetTabStop(true); }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    bool Default() const { return default_; }
    void SetDefault(bool on) {
        if (on == default_) return;
        default_ = on;
        DefaultChanged();
    }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }

    void Click() override {
        detail::GiveModalResult(*this, modalResult_);
        Base::Click();
    }
    bool DialogChar(char ch) override {
        if (!this->IsAccessKey(ch)) return false;
        Click();
        return true;
    }
    bool SpacePressed() override {
        if (!this->Enabled()) return false;
        Click();
        return true;
    }
    bool IsPushButton() const override { return true; }
    bool IsDefaultButton() const override { return default_; }
    bool IsCancelButton() const override { return cancel_; }
    void ApplyKindFlags(unsigned flags) override {
        Base::ApplyKindFlags(flags);
        if (flags & kDefault) SetDefault(true);
        if (flags & kCancel) SetCancel(true);
    }

protected:
    // The default button looks different (a native one by its style, a drawn one by a frame).
    virtual void DefaultChanged() {}

private:
    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

// A check box: a click toggles it, so OnClick runs once per change; setting the state raises
// OnClick too when it changes, as a user's click does. Its access key focuses it (the user sees
// which box changed) and toggles it; Space toggles the focused one.
template <class Base>
class CheckBoxBehaviour : public Base {
public:
    CheckBoxBehaviour() { this->SetTabStop(true); }
    bool Checked() const { return checked_; }
    void SetChecked(bool c) {
        if (c == checked_) return;
        checked_ = c;
        CheckedChanged();
        Base::Click();
    }

    void Click() override {
        checked_ = !checked_;
        CheckedChanged();
        Base::Click();
    }
    bool DialogChar(char ch) override {
        if (!this->IsAccessKey(ch)) return false;
        this->SetFocus();
        Click();
        return true;
    }
    bool SpacePressed() override {
        if (!this->Enabled()) return false;
        Click();
        return true;
    }
    void ApplyKindFlags(unsigned flags) override {
        Base::ApplyKindFlags(flags);
        if (flags & kChecked) SetChecked(true);
    }

protected:
    // The state changed: the native box is told, a drawn one repaints.
    virtual void CheckedChanged() {}

private:
    bool checked_ = false;
};

// Native push button.
class TButton : public PushButtonBehaviour<WinControl> {
protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    void DefaultChanged() override;
};

// Native check box.
class TCheckBox : public CheckBoxBehaviour<WinControl> {
protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    void PeerCreated() override;
    void CheckedChanged() override;
};

}  // namespace kelvara::ui
