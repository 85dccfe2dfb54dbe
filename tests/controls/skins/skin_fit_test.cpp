// Captions that need more room than designed: each fitted kind grows to the right as far as its
// container and the next control on its row allow; labels and boxes out of room move left.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_fit.h"
#include "controls/skin_group_box.h"
#include "ui/application.h"
#include "ui/form_table.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/headless/recording_canvas.h"
#include "ui/standard_controls.h"

namespace kelvara::controls::testing {
namespace {

using ui::headless::RecordingCanvas;

int Text(const std::string& s) { return RecordingCanvas::MeasureText(ui::StripAccessKey(s), ui::Font{}).width; }

class FitForm : public ui::Form {
public:
    FitForm() {
        SetName("frmFit");
        SetClientSize(300, 200);
        const ui::ComponentSpec layout[] = {
            {ui::Kind<TSkinGroupBox>, "SkinGroupBox1", {8, 8, 200, 100}},
            {ui::Kind<TSkinCheckBox>, "cbInGroup", {16, 16, 60, 19}, "", "", 0, "SkinGroupBox1"},
            {ui::Kind<ui::TLabel>, "lInGroup", {16, 50, 40, 13}, "", "", 0, "SkinGroupBox1"},
            {ui::Kind<TSkinButton>, "bLeft", {20, 150, 60, 25}},
            {ui::Kind<TSkinButton>, "bRight", {120, 150, 60, 25}},
            {ui::Kind<TSkinButton>, "bAlone", {220, 110, 40, 25}},
        };
        AddComponents(layout);
    }
};

struct FitCase {
    const char* name;
    const char* control;
    std::string caption;
    int left, width;   // afterwards
    bool listed;       // reported as changed
};

class SkinFitTest : public ::testing::Test {
protected:
    SkinFitTest() {
        std::random_device random;
        runtime_ = std::filesystem::temp_directory_path() / ("kelvara-fit-" + std::to_string(random()));
        std::filesystem::create_directories(runtime_);
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        widgets->SetRuntimeDir(runtime_.string());
        app_ = std::make_unique<ui::Application>(std::move(widgets));
    }
    ~SkinFitTest() override {
        app_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(runtime_, ignored);
    }
    std::filesystem::path runtime_;
    std::unique_ptr<ui::Application> app_;
};

TEST_F(SkinFitTest, EachKindGrowsWithinItsRoom) {
    const std::string longText(40, 'W');
    const FitCase cases[] = {
        {"short box keeps its width", "cbInGroup", "Ask", 16, 60, false},
        {"box grows by its square and caption", "cbInGroup", "Ask before the defragmentation",
         16, TSkinCheckBox::kCaptionLeft + Text("Ask before the defragmentation") + kPaintSlack, true},
        // 200 wide group, 4 pixels kept at its edge: a box too long for it moves left to 4.
        {"box out of room moves left", "cbInGroup", longText, 4, 200 - 4 - 4, true},
        {"label grows", "lInGroup", "Checking:", 16, Text("Checking:") + kPaintSlack, true},
        // The next button on the row stops it 4 pixels short.
        {"button stops at its neighbour", "bLeft", "&Defragment the registry now", 20, 120 - 4 - 20, true},
        {"button grows by its margins", "bRight", "&Proceed", 120,
         std::max(60, Text("Proceed") + 2 * kButtonMargin + kPaintSlack), Text("Proceed") + 2 * kButtonMargin + kPaintSlack > 60},
        // A button never moves left: it grows to the window's edge and no further.
        {"button stops at the window's edge", "bAlone", longText, 220, 300 - 4 - 220, true},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = ui::CreateForm<FitForm>();
        auto& control = form->Get<ui::Control>(c.control);
        control.SetCaption(c.caption);
        const auto grown = FitCaptions(*form);
        EXPECT_EQ(control.Left(), c.left);
        EXPECT_EQ(control.Width(), c.width);
        ASSERT_EQ(grown.size(), c.listed ? 1u : 0u);
        if (c.listed) {
            EXPECT_EQ(grown[0].name, c.control);
            EXPECT_EQ(grown[0].newWidth, c.width);
            EXPECT_EQ(grown[0].newLeft, c.left);
        }
        // Fitting again changes nothing more.
        EXPECT_TRUE(FitCaptions(*form).empty());
    }
}

}  // namespace
}  // namespace kelvara::controls::testing
