// The settings file and the /Scan result file on a failing disk: every file operation of their
// writes fails in turn with a full disk, an I/O error and a denied access. The write that meets
// the failure says so (false, errno the disk's answer), the file holds what the earlier writes
// made of it and nothing half written, no temporary file stays, and the next run writes it all.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/file_faults.h"
#include "common/ini_file.h"
#include "common/ini/temp_folder.h"

namespace kelvara::common {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
namespace fs = std::filesystem;

// Fails the n-th file operation (from 1) with `error`; n = 0 only counts.
class DiskFailsAt {
public:
    DiskFailsAt(int n, int error) {
        SetFileFaultHook([this, n, error](std::string_view, const std::string&) { return ++calls_ == n ? error : 0; });
    }
    ~DiskFailsAt() { SetFileFaultHook(nullptr); }
    DiskFailsAt(const DiskFailsAt&) = delete;
    DiskFailsAt& operator=(const DiskFailsAt&) = delete;
    int Calls() const { return calls_; }

private:
    int calls_ = 0;
};

// One write of a run: a value set, or (with no key) a section removed.
struct Step {
    std::string section, key, value;
};

bool RunStep(const std::string& path, const Step& step) {
    if (step.key.empty()) return RemoveIniSection(path, step.section);
    return WriteIniString(path, step.section, step.key, step.value);
}

std::vector<std::string> Temporaries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".kvnew") != std::string::npos || name.find(".kvold") != std::string::npos) names.push_back(name);
    }
    return names;
}

struct Sweep {
    const char* name;
    std::string before;   // the file's bytes before the run; empty for no file
    bool exists;
    std::vector<Step> steps;
};

// The settings as the options dialog saves them, into a new file and into an existing one; the
// /Scan result, whose old section goes first, into a file that holds other sections too.
std::vector<Sweep> Sweeps() {
    const std::vector<Step> options = {
        {"Options", "IsAskBeforeDefrag", "1"}, {"Options", "RestorePoint", "0"}, {"Options", "Lan", "English"}};
    return {
        {"new settings file", "", false, options},
        {"existing settings file", "; kept\r\n[Options]\r\nLan=German\r\nIsAskBeforeDefrag=0\r\n", true, options},
        {"scan result file",
         "[Mine]\r\nNote=keep me\r\n[Scan Result]\r\nCurrent Size=1\r\nTime=old\r\n",
         true,
         {{"Scan Result", "", ""},
          {"Scan Result", "Current Size", "52,32 MB"},
          {"Scan Result", "New Size", "48,00 MB"},
          {"Scan Result", "Size Reduction", "4,32 MB"},
          {"Scan Result", "Compact Percent", "8%"},
          {"Scan Result", "Time", "08.12.2026 00:00:00"}}},
    };
}

class IniWriteFaults : public ::testing::TestWithParam<int> {};

TEST_P(IniWriteFaults, AFailedWriteKeepsTheFileWholeAndSaysWhy) {
    const int error = GetParam();
    for (const Sweep& sweep : Sweeps()) {
        SCOPED_TRACE(sweep.name);
        // A clean run: the file after each step, and the operations it takes.
        std::vector<std::string> after;
        int operations = 0;
        {
            TempFolder folder;
            const std::string path = folder.File("kelvara.ini");
            if (sweep.exists) WriteBytes(path, sweep.before);
            DiskFailsAt counting(0, error);
            for (const Step& step : sweep.steps) {
                ASSERT_TRUE(RunStep(path, step));
                after.push_back(ReadBytes(path));
            }
            operations = counting.Calls();
        }
        ASSERT_GE(operations, static_cast<int>(sweep.steps.size()));

        int failuresSeen = 0;
        for (int n = 1; n <= operations; ++n) {
            const std::string when = "with " + std::generic_category().message(error) + " at operation " +
                                     std::to_string(n);
            TempFolder folder;
            const std::string path = folder.File("kelvara.ini");
            if (sweep.exists) WriteBytes(path, sweep.before);
            std::size_t done = 0;
            int failedWith = 0;
            {
                DiskFailsAt failing(n, error);
                // The program stops at the first write that fails, as its error ends the command.
                for (; done < sweep.steps.size(); ++done) {
                    errno = 0;
                    if (!RunStep(path, sweep.steps[done])) {
                        failedWith = errno;
                        break;
                    }
                }
            }
            if (done < sweep.steps.size()) {
                ++failuresSeen;
                EXPECT_EQ(failedWith, error) << "the failed write's errno " << when;
                const std::string expected = done == 0 ? sweep.before : after[done - 1];
                EXPECT_EQ(fs::exists(path), done > 0 || sweep.exists) << when;
                EXPECT_EQ(ReadBytes(path), expected) << when;
            } else {
#ifdef _WIN32
                // A failure the writer got past: the rename of the old file aside is retried.
                EXPECT_EQ(ReadBytes(path), after.back()) << when;
#else
                ADD_FAILURE() << "no write reported the failure " << when;
#endif
            }
            EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{}) << when;

            // The next run, without faults, writes everything.
            for (const Step& step : sweep.steps) EXPECT_TRUE(RunStep(path, step)) << when;
            EXPECT_EQ(ReadBytes(path), after.back()) << when;
        }
        EXPECT_GE(failuresSeen, static_cast<int>(sweep.steps.size())) << "each write met a failure";
        std::printf("%s: a failure at each of its %d file operations\n", sweep.name, operations);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryError, IniWriteFaults, ::testing::Values(ENOSPC, EIO, EACCES),
                         [](const ::testing::TestParamInfo<int>& info) {
                             switch (info.param) {
                             case ENOSPC: return std::string("DiskFull");
                             case EIO: return std::string("IoError");
                             default: return std::string("AccessDenied");
                             }
                         });

}  // namespace
}  // namespace kelvara::common
