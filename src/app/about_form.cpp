#include "app/about_form.h"

#include "app/program_pictures.h"
#include "controls/skin_fit.h"
#include "settings/form_translation.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/containers.h"
#include "ui/form_table.h"

namespace kelvara::app {
namespace {

using settings::strings::HomePageAddress;
using settings::strings::ProductTitle;
using settings::strings::SupportEmailAddress;

const ui::ComponentSpec kAboutLayout[] = {
    {ui::Kind<ui::TImage>, "Image2", {0, 0, 360, 50}},
    {ui::Kind<ui::TImage>, "Image1", {20, 61, 32, 32}},
    {ui::Kind<ui::TLabel>, "Label1", {80, 62, 100, 13}},
    {ui::Kind<ui::TLabel>, "lCopywrite", {80, 129, 100, 13}, kCopyrightNotice},
    {ui::Kind<ui::TLabel>, "Label3", {80, 152, 100, 13}, "Email: " KV_SUPPORT_EMAIL_ADDRESS},
    {ui::Kind<ui::TLabel>, "lbEAddress", {80, 186, 100, 13}, KV_HOME_PAGE_ADDRESS, "", ui::kHandCursor},
    {ui::Kind<ui::TLabel>, "Label2", {80, 84, 100, 13}, kVersionBuildLine},
    {ui::Kind<ui::TPanel>, "Panel2", {80, 176, 262, 2}},
    // Enter and Escape both close it, as any About box.
    {ui::Kind<controls::TSkinButton>, "bOK", {256, 211, 80, 27}, "&OK", "", ui::kDefault | ui::kCancel},
};

}  // namespace

TfrmAbout::TfrmAbout(ui::Form* owner) : ui::Form(owner) {
    SetName("frmAbout");
    SetCaption("About Varnel Kelvara");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerFormCenter);
    SetClientSize(360, 249);
    AddComponents(kAboutLayout);

    Image("Image2").SetPicture(ProgramPicture(kAboutBannerPicture));
    Image("Image1").SetPicture(ProgramPicture(kAboutIconPicture));
    // Both pictures are drawn for their places; the controls take the pictures' sizes.
    for (const char* name : {"Image2", "Image1"}) {
        ui::TImage& image = Image(name);
        if (!image.GetPicture().Empty())
            image.SetBounds({image.Left(), image.Top(), image.GetPicture().Width(), image.GetPicture().Height()});
    }

    ui::TLabel& link = Label("lbEAddress");
    ui::Font linkFont = link.GetFont();
    linkFont.color = ui::clBlue;
    linkFont.underline = true;
    link.SetFont(linkFont);
    link.OnClick = [this](ui::Component& sender) { lbEAddressClick(sender); };

    // A lowered line with nothing written on it.
    auto& rule = Get<ui::TPanel>("Panel2");
    rule.SetBevel(true);
    rule.SetCaption("");
    bOK().SetModalResult(ui::mrOk);
}

void TfrmAbout::FormShow() {
    Label("Label1").SetCaption(settings::LoadResString(ProductTitle));
    settings::TranslateFormOnShow(*this);
    FitLabels();
    controls::FitCaptions(*this);   // the button, whose caption a translation may lengthen
}

// Labels are one line and as wide as their text, also after a translation.
void TfrmAbout::FitLabels() {
    for (ui::Component* component : Components()) {
        auto* label = dynamic_cast<ui::TLabel*>(component);
        if (label == nullptr) continue;
        label->SetWidth(controls::CaptionNeededWidth(*this, *label));
    }
}

void TfrmAbout::lbEAddressClick(ui::Component&) {
    ui::Application::Instance().OpenUrl(settings::LoadResString(HomePageAddress));
}

}  // namespace kelvara::app
