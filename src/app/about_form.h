// TfrmAbout: the About dialog, opened from the Help menu. Made anew for every showing, so it
// speaks the language that is current when it opens.
#pragma once

#include "controls/skin_button.h"
#include "ui/form.h"
#include "ui/standard_controls.h"

namespace kelvara::app {

class TfrmAbout : public ui::Form {
public:
    explicit TfrmAbout(ui::Form* owner);

    // The product name from the string table, then the translation (which may replace it).
    void FormShow() override;
    void lbEAddressClick(ui::Component& sender);

    ui::TLabel& Label(const char* name) const { return Get<ui::TLabel>(name); }
    ui::TImage& Image(const char* name) const { return Get<ui::TImage>(name); }
    controls::TSkinButton& bOK() const { return Get<controls::TSkinButton>("bOK"); }

private:
    void FitLabels();
};

// The notice line and the build line of the dialog.
inline constexpr const char* kCopyrightNotice = "Copyright (C) 2013 Varnel Software";
inline constexpr const char* kVersionBuildLine = "Version: 2.2   Build 20130216";

}  // namespace kelvara::app
