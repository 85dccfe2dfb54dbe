// The scan tests' headless application over a scripted system, for the Defrag command: a real
// program folder for options.ini, hives with their compacted copies, and a script for whatever
// modal window is on top when its loop has nothing to do. The scan fixture's gate holds the
// restore-point worker here.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/ini/temp_folder.h"
#include "defrag/defrag_commit.h"
#include "hive/scan/scan_fixture.h"

namespace kelvara::defrag::testing {

using platform::RootKey;
using platform::fake::ScriptedSystem;

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

class DefragFixture : public hive::testing::ScanFixture {
protected:
    DefragFixture() {
        system_.SetProgramFolder(folder_.WithSeparator());
        headless_->SetIdleHook([this](ui::Form& top) { return onIdle_ ? onIdle_(top) : false; });
    }

    // A hive with its file and, unless told otherwise, the compacted copy beside it.
    void AddHiveWithCopy(const TestHive& hive, bool withCopy = true) {
        system_.AddKey(hive.root, hive.subKey);
        system_.AddFile(hive.file, 262144);
        if (withCopy) system_.AddFile(std::string(hive.file) + ".kvf", 131072);
        keys_.push_back(hive.hivePath);
        files_.push_back(hive.file);
    }

    // A fresh world for the next row of a table: Windows restarted since the last row's
    // hand-over (which renamed the files at its calls), its backups and its record gone.
    void FreshWorld() {
        system_.Restart();
        for (const std::string& file : files_) {
            if (system_.HasFile(file + ".bak")) system_.DeleteFile(file + ".bak");
            if (system_.HasFile(file + ".kvf")) system_.DeleteFile(file + ".kvf");
        }
        std::filesystem::remove(folder_.path() / "LastHandOver.ini");
        keys_.clear();
        files_.clear();
        system_.ClearCallLog();
    }

    DefragOutcome Run(bool silent = false) {
        return DefragRegistry(DefragWindow{*owner_, keys_, files_, silent, folder_.WithSeparator(), system_, *app_});
    }

    // The calls of the scripted log that the command makes, in order, with the key and file
    // lookups of the checks and the replacements left out.
    std::vector<std::string> CommandCalls() const {
        static const char* const kept[] = {"SetRestorePoint", "EnablePrivilege", "IsUsableHiveFile", "DeleteFile",
                                           "RegSaveKey", "RegReplaceKey", "ExitWindowsEx", "InitiateSystemShutdown"};
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

    kelvara::testing::TempFolder folder_;
    std::function<bool(ui::Form&)> onIdle_;
};

}  // namespace kelvara::defrag::testing
