#pragma once
// Native push button and check box.
#include "ui/win_control.h"

namespace kelvara::ui {

class TButton : public WinControl {
public:
    TButton() { SetTabStop(true); }
    // Given to the holding form on a click (mrNone leaves a modal form open).
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    // Default: Enter clicks it. Cancel: Escape clicks it.
    bool Default() const { return default_; }
    void SetDefault(bool d);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool c) { cancel_ = c; }

    void Click() override;
    bool DialogChar(char ch) override;
    bool IsPushButton() const override { return true; }
    bool IsDefaultButton() const override { return default_; }
    bool IsCancelButton() const override { return cancel_; }
    bool SpacePressed() override;
    void ApplyKindFlags(unsigned flags) override;

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;

private:
    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

class TCheckBox : public WinControl {
public:
    TCheckBox() { SetTabStop(true); }
    bool Checked() const { return checked_; }
    // Setting the state raises OnClick when it changes, as a user's click does.
    void SetChecked(bool c);
    // A user's click toggles the state (and so raises OnClick once).
    void Click() override;
    bool DialogChar(char ch) override;
    bool SpacePressed() override;
    void ApplyKindFlags(unsigned flags) override;

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    void PeerCreated() override;

private:
    bool checked_ = false;
};

}  // namespace kelvara::ui
