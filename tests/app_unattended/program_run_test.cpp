// The Linux program run as a user or a scheduler runs it: a process with KELVARA_OFFLINE_ROOT
// naming a folder, its exit code, what it prints, and what it leaves on disk. The program is
// copied into a folder of the test's own, so its settings file is the test's too.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "platform_offline/installation_builder.h"
#include "regf_crosscheck/external_tool.h"

namespace kelvara::app {
namespace {

namespace fs = std::filesystem;
using crosscheck::RunTool;
using crosscheck::ToolOutput;
using platform::offline::testing::InstallationSpec;
using platform::offline::testing::MakeInstallation;
using platform::offline::testing::TempFolder;

constexpr const char* kUnsupported = "The software does not support the current Windows system!";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ProgramRun : public ::testing::Test {
protected:
    ProgramRun() {
        program_ = programFolder_.Path() / "kelvara";
        fs::copy_file(KV_KELVARA_PROGRAM, program_);
    }

    // The program in `workFolder` with the installation folder `root` (none: the variable unset).
    ToolOutput Run(const std::string& root, const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{"env", "-C", work_.Path().string()};
        if (!root.empty()) argv.push_back("KELVARA_OFFLINE_ROOT=" + root);
        argv.push_back(program_.string());
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunTool(argv);
    }

    fs::path Installation() {
        const fs::path root = installations_.Path() / ("windows" + std::to_string(++made_));
        MakeInstallation(root, InstallationSpec{});
        return root;
    }

    TempFolder programFolder_, work_, installations_;
    fs::path program_;
    int made_ = 0;
};

// A folder that is not a Windows installation: the program says which folder and what is
// missing, writes no result, and tells a scheduler with exit code 1; interactive use still ends
// with 0 where a window could be shown.
TEST_F(ProgramRun, AFolderWithoutWindowsIsNamedWithWhatIsMissing) {
    const fs::path empty = installations_.Path() / "empty";
    fs::create_directories(empty);
    const fs::path file = installations_.Path() / "a-file";
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const std::string missing = (installations_.Path() / "no-such-folder").string();

    struct Case {
        const char* name;
        std::string root;
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<std::string> said;   // each in what the program wrote to stderr
        bool unsupportedToo;             // the main window's own message follows
    };
    const Case cases[] = {
        {"no such folder, /Scan", missing, {"/Scan", "result.ini"}, 1, {missing, "does not exist"}, false},
        {"no such folder, /Silent", missing, {"/Silent"}, 1, {missing, "does not exist"}, false},
        {"no such folder, by hand", missing, {}, 1, {missing, "does not exist"}, false},
        {"a file, /Scan", file.string(), {"/Scan", "result.ini"}, 1, {file.string(), "is a file"}, false},
        {"empty folder, /Scan", empty.string(), {"/Scan", "result.ini"}, 1,
         {empty.string(), "holds no Windows installation", "SOFTWARE is missing"}, true},
        {"empty folder, /Silent", empty.string(), {"/SILENT"}, 1, {empty.string(), "SOFTWARE is missing"}, true},
        {"empty folder, by hand", empty.string(), {}, 0, {empty.string(), "SOFTWARE is missing"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolOutput run = Run(c.root, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        for (const std::string& part : c.said) EXPECT_TRUE(Contains(run.err, part)) << run.err;
        EXPECT_EQ(Contains(run.err, kUnsupported), c.unsupportedToo) << run.err;
        EXPECT_FALSE(fs::exists(work_.Path() / "result.ini"));
        EXPECT_TRUE(fs::is_empty(empty));
    }
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(ProgramRun, ScanEndsWithZeroOnlyWhenTheResultIsWritten) {
    const fs::path root = Installation();
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode;
        std::string error;   // in stderr, when not empty
    };
    const Case cases[] = {
        {"result file", {"/Scan", "result.ini"}, 0, ""},
        {"no result file asked for", {"/scan"}, 0, ""},
        // Named as the command line gave it, relative to where the program was started.
        {"folder of the result missing", {"/Scan", "missing/result.ini"}, 1, "Unable to write to missing/result.ini."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolOutput run = Run(root.string(), c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (!c.error.empty()) {
            EXPECT_TRUE(Contains(run.err, c.error)) << run.err;
        }
        EXPECT_TRUE(Contains(run.out, "Current Registry Size:")) << run.out;
    }
    const common::IniFile result = common::LoadIniFile((work_.Path() / "result.ini").string());
    EXPECT_NE(result.Find("Scan Result", "Current Size"), "");
    EXPECT_NE(result.Find("Scan Result", "Time"), "");
}

TEST_F(ProgramRun, SilentEndsWithZeroWhenTheHivesWereReplaced) {
    const fs::path root = Installation();
    const ToolOutput run = Run(root.string(), {"/Silent"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(root / "Windows/System32/config/SOFTWARE.bak"));
    EXPECT_TRUE(Contains(run.out, "replaced")) << run.out;
}

TEST_F(ProgramRun, HelpIsPrintedWithoutStartingAnything) {
    for (const char* asking : {"--help", "/?", "-h", "--HELP"}) {
        SCOPED_TRACE(asking);
        const ToolOutput run = Run("/no/installation/needed", {asking});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        for (const char* part : {"Usage: kelvara", "/Silent", "/Scan", "KELVARA_OFFLINE_ROOT", "Exit codes"})
            EXPECT_TRUE(Contains(run.out, part)) << part;
        EXPECT_FALSE(Contains(run.out, "Current Registry Size")) << "the main window was started";
    }
    EXPECT_FALSE(fs::exists(programFolder_.Path() / "options.ini"));
}

}  // namespace
}  // namespace kelvara::app
