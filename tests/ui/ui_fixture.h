#pragma once
// A headless application per test, in test mode (virtual clock, scripted answers).
#include <gtest/gtest.h>

#include <memory>

#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"

namespace kelvara::ui::testing {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto widgets = std::make_unique<headless::HeadlessWidgetSet>(headless::Mode::Test);
        ui = widgets.get();
        app = std::make_unique<Application>(std::move(widgets));
        app->SetTitle("Varnel Kelvara");
    }
    void TearDown() override { app.reset(); }

    std::unique_ptr<Application> app;
    headless::HeadlessWidgetSet* ui = nullptr;
};

}  // namespace kelvara::ui::testing
