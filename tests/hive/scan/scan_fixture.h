// A headless application over a scripted system, with hives whose saves a test can hold in the
// middle (SaveGate) and a script of steps that runs whenever a modal loop has nothing to do.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <chrono>

#include "platform/fake/scripted_system.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/thread.h"
#include "ui/widget_set.h"

namespace kelvara::hive::testing {

using platform::RootKey;
using platform::fake::ScriptedSystem;

// Holds each save in the scripted RegSaveKey until the test lets it go.
class SaveGate {
public:
    void Enter() {
        std::unique_lock lock(mutex_);
        const int mine = ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_ >= mine || open_; });
    }
    // Blocks until `count` saves have started.
    void WaitEntered(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return entered_ >= count; });
    }
    void ReleaseOne() {
        std::lock_guard lock(mutex_);
        ++released_;
        changed_.notify_all();
    }
    // Lets every save, now and later, through.
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Back to holding every save; only while no save is held.
    void Reset() {
        std::lock_guard lock(mutex_);
        entered_ = released_ = 0;
        open_ = false;
    }
    int Entered() {
        std::lock_guard lock(mutex_);
        return entered_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    int released_ = 0;
    bool open_ = false;
};

struct HiveSpec {
    RootKey root;
    const char* subKey;        // as opened: "SYSTEM", ".DEFAULT"
    const char* hivePath;      // as hivelist names it
    const char* file;          // the hive file
    std::int64_t fileSize;     // 0: no such file
    std::int64_t copySize;     // what the save writes
    long saveStatus = platform::status::Success;
};

class ScanFixture : public ::testing::Test {
protected:
    ScanFixture() {
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
        headless_->SetIdleHook([this](ui::Form& top) {
            idleTop_ = &top;
            return RunNextStep();
        });
    }

    ~ScanFixture() override {
        // A worker still held must not outlive the system it uses.
        gate_.Open();
        for (int i = 0; i < 500 && ui::RunningThreadCount() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    void AddHive(const HiveSpec& hive) {
        system_.AddKey(hive.root, hive.subKey);
        system_.SetSaveScript(hive.root, hive.subKey, {hive.saveStatus, hive.copySize});
        if (hive.fileSize != 0) system_.AddFile(hive.file, hive.fileSize);
        keys_.push_back(hive.hivePath);
        files_.push_back(hive.file);
    }

    void HoldSaves() {
        system_.SetSaveHook([this](const std::string&) { gate_.Enter(); });
    }

    // Steps run one per idle moment of a modal loop, in order; after the last the loop goes
    // its default way (waits for the worker, which closes the window).
    void Steps(std::vector<std::function<void()>> steps) {
        steps_ = std::move(steps);
        next_ = 0;
    }

    bool RunNextStep() {
        if (next_ >= steps_.size()) return false;
        steps_[next_++]();
        return true;
    }

    // One second of the virtual clock: one tick of the progress window's timer.
    void Tick(int seconds = 1) { headless_->AdvanceClock(1000LL * seconds); }

    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
    ScriptedSystem system_;
    std::unique_ptr<ui::Form> owner_;
    SaveGate gate_;
    std::vector<std::string> keys_;
    std::vector<std::string> files_;
    std::vector<std::function<void()>> steps_;
    std::size_t next_ = 0;
    ui::Form* idleTop_ = nullptr;   // the form whose modal loop ran the step
};

inline int CountLogEntries(const std::vector<std::string>& log, const std::string& prefix) {
    int n = 0;
    for (const std::string& entry : log)
        if (entry.rfind(prefix, 0) == 0) ++n;
    return n;
}

}  // namespace kelvara::hive::testing
