// A headless application over a scripted system for the Defrag command: an owner window, a real
// program folder for options.ini, hives with their compacted copies, and a script for whatever
// modal window is on top when its loop has nothing to do.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common_ini/temp_folder.h"
#include "defrag/defrag_commit.h"
#include "platform/fake/scripted_system.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/thread.h"

namespace kelvara::defrag::testing {

using platform::RootKey;
using platform::fake::ScriptedSystem;

// Holds the scripted restore-point call until the test lets it go.
class Gate {
public:
    void Enter() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    void WaitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return entered_; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

struct TestHive {
    RootKey root;
    const char* subKey;
    const char* hivePath;   // as hivelist names it
    const char* file;
};

inline constexpr TestHive kSystemHive{RootKey::LocalMachine, "SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM",
                                      "C:\\Windows\\System32\\config\\SYSTEM"};
inline constexpr TestHive kSoftwareHive{RootKey::LocalMachine, "SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE",
                                        "C:\\Windows\\System32\\config\\SOFTWARE"};
inline constexpr TestHive kUserHive{RootKey::Users, "S-1-5-21-1-2-3-1001", "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001",
                                    "C:\\Users\\Alex\\NTUSER.DAT"};

class DefragFixture : public ::testing::Test {
protected:
    DefragFixture() {
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless_ = widgets.get();
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        app_->SetTitle("Varnel Kelvara");
        settings::OptionsSetting = {};
        settings::OptionsSetting.Lan = "English";
        owner_ = ui::CreateForm<ui::Form>();
        owner_->SetName("frmMain");
        owner_->SetClientSize(556, 392);
        owner_->Show();
        system_.SetProgramFolder(folder_.WithSeparator());
        headless_->SetIdleHook([this](ui::Form& top) { return onIdle_ ? onIdle_(top) : false; });
    }

    ~DefragFixture() override {
        // A worker still held must not outlive the system it uses.
        gate_.Open();
        for (int i = 0; i < 500 && ui::RunningThreadCount() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // A hive with its file and, unless told otherwise, the compacted copy beside it.
    void AddHive(const TestHive& hive, bool withCopy = true) {
        system_.AddKey(hive.root, hive.subKey);
        system_.AddFile(hive.file, 262144);
        if (withCopy) system_.AddFile(std::string(hive.file) + ".kvf", 131072);
        keys_.push_back(hive.hivePath);
        files_.push_back(hive.file);
    }

    DefragOutcome Run(bool silent = false) {
        return DefragRegistry(DefragWindow{*owner_, keys_, files_, silent, folder_.WithSeparator(), system_, *app_});
    }

    // The calls of the scripted log that the command makes, in order, with the key and file
    // lookups of the checks and the replacements left out.
    std::vector<std::string> CommandCalls() const {
        static const char* const kept[] = {"SetRestorePoint", "EnablePrivilege", "IsUsableHiveFile", "DeleteFile",
                                           "RegReplaceKey", "ExitWindowsEx"};
        std::vector<std::string> calls;
        for (const std::string& entry : system_.CallLog())
            for (const char* prefix : kept)
                if (entry.rfind(prefix, 0) == 0) calls.push_back(entry);
        return calls;
    }

    std::string OptionsFile() const {
        std::ifstream in(folder_.path() / "options.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
    kelvara::testing::TempFolder folder_;
    ScriptedSystem system_;
    std::unique_ptr<ui::Form> owner_;
    Gate gate_;
    std::vector<std::string> keys_;
    std::vector<std::string> files_;
    std::function<bool(ui::Form&)> onIdle_;
};

}  // namespace kelvara::defrag::testing
