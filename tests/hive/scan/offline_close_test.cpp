// Closing the progress window during a real save of the offline platform: the save gives up at
// once, no partial copy is left, and the next run works normally.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "hive/builtin_strings.h"
#include "hive/progress_form.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/installation_builder.h"
#include "regf/regf.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/widget_set.h"

namespace kelvara::hive {
namespace {

namespace fs = std::filesystem;

using platform::offline::testing::InstallationSpec;
using platform::offline::testing::MakeInstallation;
using platform::offline::testing::SampleHive;
using platform::offline::testing::TempFolder;
using platform::offline::testing::WriteHive;

TEST(OfflineProgressWindow, ClosingDuringASaveAbandonsItAndLeavesNoPartialCopy) {
    TempFolder root;
    MakeInstallation(root.Path(), InstallationSpec{});
    const fs::path config = root.Path() / "Windows/System32/config";
    // Large enough that its compaction is still running when the window is closed.
    WriteHive(config / "SOFTWARE", SampleHive("BIG", 60000), 0.3);
    platform::OfflineSystem system(root.Path().string());
    ASSERT_TRUE(system.CanCancelSaves());

    auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
    ui::headless::HeadlessWidgetSet& headless = *widgets;
    ui::Application app(std::move(widgets));
    settings::OptionsSetting = {};
    settings::OptionsSetting.Lan = "English";
    auto owner = ui::CreateForm<ui::Form>();
    owner->Show();

    const std::vector<std::string> keys{"\\REGISTRY\\MACHINE\\SOFTWARE", "\\REGISTRY\\MACHINE\\SYSTEM"};
    const std::vector<std::string> files{"C:\\Windows\\System32\\config\\SOFTWARE",
                                         "C:\\Windows\\System32\\config\\SYSTEM"};
    const ScanRun run{keys, files, false, false, system};

    bool closed = false;
    std::chrono::steady_clock::duration closing{};
    headless.SetIdleHook([&](ui::Form& top) {
        if (closed || &top == owner.get()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        closed = true;
        const auto before = std::chrono::steady_clock::now();
        top.Close();
        closing = std::chrono::steady_clock::now() - before;
        return true;
    });
    auto first = ui::CreateForm<TfrmGetNewHiveProgess>(owner.get(), run);
    first->ShowModal();
    EXPECT_TRUE(first->Abandoned());
    EXPECT_NE(first->Memo1().Text(), kFinishText);
    // The save gave up within the close's short wait: nothing runs on.
    EXPECT_FALSE(first->ScanThread.Running());
    std::printf("closing waited %lld ms for the worker to give up\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(closing).count()));
    // Either the save had just finished (a whole copy) or there is none; never a part of one.
    std::printf("the large hive's copy %s\n", fs::exists(config / "SOFTWARE.kvf") ? "was finished" : "was abandoned");
    if (fs::exists(config / "SOFTWARE.kvf")) {
        EXPECT_TRUE(regf::CheckFile((config / "SOFTWARE.kvf").string()).sound);
    }
    EXPECT_FALSE(fs::exists(config / "SYSTEM.kvf"));
    first.reset();

    // The platform takes saves again for the next run.
    closed = true;
    auto second = ui::CreateForm<TfrmGetNewHiveProgess>(owner.get(), run);
    second->ShowModal();
    EXPECT_EQ(second->Memo1().Text(), kFinishText);
    EXPECT_TRUE(regf::CheckFile((config / "SOFTWARE.kvf").string()).sound);
    EXPECT_TRUE(regf::CheckFile((config / "SYSTEM.kvf").string()).sound);
}

}  // namespace
}  // namespace kelvara::hive
