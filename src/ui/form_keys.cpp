// Focus and the dialog keys: Tab order, Enter, Escape and Space, and access keys typed as
// characters.
#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/win_control.h"

namespace kelvara::ui {

WinControl* Form::ActiveControl() const { return activeControl_; }

void Form::SelectNext(bool backwards) {
    std::vector<WinControl*> order;
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && w->TabStop() && w->Enabled() && w->IsShowing())
            order.push_back(w);
    if (order.empty()) return;
    auto at = std::find(order.begin(), order.end(), activeControl_);
    std::ptrdiff_t i = at == order.end() ? (backwards ? 0 : -1) : at - order.begin();
    std::ptrdiff_t n = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t next = ((backwards ? i - 1 : i + 1) % n + n) % n;
    order[static_cast<std::size_t>(next)]->SetFocus();
    activeControl_ = order[static_cast<std::size_t>(next)];
}

void Form::HandleKey(Key key) {
    RunGuarded(app_, [&] {
        switch (key) {
            case Key::Tab: SelectNext(false); return;
            case Key::ShiftTab: SelectNext(true); return;
            case Key::Space:
                if (activeControl_ && activeControl_->Enabled() && activeControl_->IsShowing())
                    activeControl_->SpacePressed();
                return;
            case Key::Enter: {
                if (activeControl_ && activeControl_->IsPushButton() && activeControl_->Enabled() &&
                    activeControl_->IsShowing()) {
                    activeControl_->SpacePressed();
                    return;
                }
                if (WinControl* b = FindButton(&WinControl::IsDefaultButton)) b->Click();
                return;
            }
            case Key::Escape:
                if (WinControl* b = FindButton(&WinControl::IsCancelButton)) b->Click();
                return;
        }
    });
}

WinControl* Form::FindButton(bool (WinControl::*role)() const) const {
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && (w->*role)() && w->Enabled() && w->IsShowing()) return w;
    return nullptr;
}

bool Form::HandleChar(char ch) {
    bool consumed = false;
    RunGuarded(app_, [&] {
        for (auto& c : components_) {
            auto* control = dynamic_cast<Control*>(c.get());
            if (!control || !control->Enabled() || !control->IsShowing()) continue;
            if (control->DialogChar(ch)) {
                consumed = true;
                return;
            }
        }
    });
    return consumed;
}

}  // namespace kelvara::ui
