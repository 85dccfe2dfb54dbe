// A main window on the headless widget set over a scripted system, with a real program folder
// (a temporary one) for options.ini.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/main_form.h"
#include "hive/catalogue.h"
#include "platform/fake/scripted_system.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"

namespace kelvara::app::testing {

using platform::RootKey;
using platform::fake::ScriptedSystem;

class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("kelvara-app-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }
    // With the trailing separator, as the program folder is given.
    std::string Folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

struct ScriptedHive {
    const char* key;
    const char* devicePath;
    const char* file;   // "" when the test does not create the file
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless_ = widgets.get();
        headless_->SetRuntimeDir(runtime_.Path().string());
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        app_->SetTitle("Varnel Kelvara");

        system_.SetProgramFolder(folder_.Folder());
        system_.SetVersion({6, 1, 7601, 2});   // Windows 7
        system_.SetWow64(platform::fake::Wow64Function::Present, false);
        system_.AddDrive('C', platform::drivetype::Fixed, "\\Device\\HarddiskVolume1");
        system_.AddKey(RootKey::LocalMachine, hive::kHiveListKey);
        settings::OptionsSetting = {};
    }

    void AddHive(const ScriptedHive& hive)
    {
        system_.AddStringValue(RootKey::LocalMachine, hive::kHiveListKey, hive.key, hive.devicePath);
        if (*hive.file)
            system_.AddFile(hive.file, 262144);
    }

    void AddStandardHives()
    {
        for (const ScriptedHive& hive : kStandardHives)
            AddHive(hive);
    }

    void WriteOptions(const std::string& text)
    {
        std::ofstream(folder_.Path() / "options.ini", std::ios::binary) << text;
    }

    std::string ReadOptions() const
    {
        std::ifstream in(folder_.Path() / "options.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TfrmMain& Create() { return app_->CreateForm<TfrmMain>(system_); }

    TfrmMain& CreateAndShow()
    {
        TfrmMain& form = Create();
        form.Show();
        return form;
    }

    static constexpr ScriptedHive kStandardHives[] = {
        {"\\REGISTRY\\MACHINE\\SYSTEM", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM",
         "C:\\Windows\\System32\\config\\SYSTEM"},
        {"\\REGISTRY\\MACHINE\\SOFTWARE", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SOFTWARE",
         "C:\\Windows\\System32\\config\\SOFTWARE"},
        {"\\REGISTRY\\USER\\.DEFAULT", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\DEFAULT",
         "C:\\Windows\\System32\\config\\DEFAULT"},
    };

    TempFolder folder_;
    TempFolder runtime_;
    ScriptedSystem system_;
    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
};

}  // namespace kelvara::app::testing
