// One form holding one control of each kind, on the headless widget set.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "controls/flat_button.h"
#include "controls/image_button.h"
#include "controls/image_panel.h"
#include "controls/shift_image.h"
#include "controls/url_label.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/headless/recording_canvas.h"

namespace kelvara::controls::testing {

class TestForm : public ui::Form {
public:
    TestForm()
    {
        SetName("frmTest");
        SetBorderStyle(ui::BorderStyle::None);
        SetClientSize(300, 200);
        SetColor(ui::Rgb(10, 20, 30));
        auto& button = Add<TFlatButton>("bFlat", {10, 10, 80, 25});
        button.SetCaption("&Analyze");
        button.SetTransparentMode(TTransparentMode::tmNotFocused);
        button.SetColorFocused(ui::clSilver);
        button.SetColorBorder(14606560);
        button.OnClick = [this](ui::Component&) { ++flatClicks; };
        auto& second = Add<TFlatButton>("bFlat2", {200, 60, 80, 25});
        second.SetCaption("&Options");
        second.SetTransparentMode(TTransparentMode::tmNotFocused);
        second.SetColorFocused(ui::clSilver);
        second.OnClick = [this](ui::Component&) { ++secondClicks; };
        Add<TImageButton>("bImage", {120, 10, 24, 24}).OnClick = [this](ui::Component&) { ++imageClicks; };
        Add<TShiftImage>("bShift", {160, 10, 24, 24}).OnClick = [this](ui::Component&) { ++shiftClicks; };
        Add<TURLLabel>("lLink", {10, 60, 100, 13}).OnClick = [this](ui::Component&) { ++linkClicks; };
        Add<TImagePanel>("pLine", {10, 90, 100, 1});
    }

    int flatClicks = 0;
    int secondClicks = 0;
    int imageClicks = 0;
    int shiftClicks = 0;
    int linkClicks = 0;
};

// A picture of one colour, to tell which one a control shows.
inline ui::Picture Solid(ui::Color c, int size = 24)
{
    return ui::Picture(size, size, c);
}

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest()
    {
        std::random_device random;
        runtime_ = std::filesystem::temp_directory_path() / ("kelvara-controls-" + std::to_string(random()));
        std::filesystem::create_directories(runtime_);
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless_ = widgets.get();
        headless_->SetRuntimeDir(runtime_.string());
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        form_ = &app_->CreateForm<TestForm>();
        form_->Show();
    }
    ~ControlsTest() override
    {
        app_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(runtime_, ignored);
    }

    TFlatButton& Flat() { return form_->Get<TFlatButton>("bFlat"); }
    TFlatButton& Flat2() { return form_->Get<TFlatButton>("bFlat2"); }
    TImageButton& ImageButton() { return form_->Get<TImageButton>("bImage"); }
    TShiftImage& Shift() { return form_->Get<TShiftImage>("bShift"); }
    TURLLabel& Link() { return form_->Get<TURLLabel>("lLink"); }
    TImagePanel& Line() { return form_->Get<TImagePanel>("pLine"); }

    std::filesystem::path runtime_;
    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
    TestForm* form_ = nullptr;
};

}  // namespace kelvara::controls::testing
