// The Linux program run as a user or a scheduler runs it: a process with KELVARA_OFFLINE_ROOT
// naming a folder, its exit code, what it prints, and what it leaves on disk. The program is
// copied into a folder of the test's own, so its settings file is the test's too.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "platform/offline/installation_builder.h"
#include "regf/crosscheck/external_tool.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless/headless_widget_set.h"

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

// Whole UTF-8 sequences only, and no zero byte: what a terminal can show.
bool IsTerminalText(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (c == 0 || length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
        i += length;
    }
    return true;
}

void WriteFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr) << file;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

class ProgramRun : public ::testing::Test {
protected:
    ProgramRun() {
        program_ = programFolder_.Path() / "kelvara";
        fs::copy_file(KV_KELVARA_PROGRAM, program_);
    }

    // The program in the test's work folder with the installation folder `root` (none: the
    // variable unset); `before`, when given, is the command that starts it.
    ToolOutput Run(const std::string& root, const std::vector<std::string>& arguments,
                   std::vector<std::string> before = {}) {
        std::vector<std::string> argv = std::move(before);
        for (const char* part : {"env", "-C"}) argv.push_back(part);
        argv.push_back(work_.Path().string());
        if (!root.empty()) argv.push_back("KELVARA_OFFLINE_ROOT=" + root);
        argv.push_back(program_.string());
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ToolOutput run = RunTool(argv);
        // In the sanitizer build an error report ends the program with 1, which some cases expect.
        EXPECT_FALSE(Contains(run.err, "Sanitizer") || Contains(run.err, "runtime error:")) << run.err;
        return run;
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
    WriteFile(file, "");
    const std::string missing = (installations_.Path() / "no-such-folder").string();
    const fs::path damaged = installations_.Path() / "damaged";
    WriteFile(damaged / "Windows/System32/config/SOFTWARE", "regf, but not a hive at all");
    const fs::path versionless = installations_.Path() / "versionless";
    InstallationSpec noVersion;
    noVersion.currentVersion.clear();
    MakeInstallation(versionless, noVersion);

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
        {"a device, /Silent", "/dev/null", {"/Silent"}, 1, {"/dev/null is not a folder"}, false},
        {"empty folder, /Scan", empty.string(), {"/Scan", "result.ini"}, 1,
         {empty.string(), "holds no Windows installation", "SOFTWARE is missing"}, true},
        {"empty folder, /Silent", empty.string(), {"/SILENT"}, 1, {empty.string(), "SOFTWARE is missing"}, true},
        {"empty folder, by hand", empty.string(), {}, 0, {empty.string(), "SOFTWARE is missing"}, true},
        {"SOFTWARE damaged", damaged.string(), {"/Scan", "result.ini"}, 1,
         {damaged.string(), "SOFTWARE cannot be read ("}, true},
        {"SOFTWARE without a version", versionless.string(), {"/Scan", "result.ini"}, 1,
         {versionless.string(), "has no Windows version under Microsoft\\Windows NT\\CurrentVersion"}, true},
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

// A settings file of any size or content is read without harm, and the run does its job.
TEST_F(ProgramRun, ASettingsFileOfAnySizeOrContentDoesNotStopTheRun) {
    const fs::path root = Installation();
    std::string huge = "[Other]\r\n";
    const std::string line = "Key" + std::string(100, 'x') + "=value\r\n";
    while (huge.size() < 100u * 1024 * 1024) huge += line;
    huge += "[Options]\r\nIsShowLine=0\r\n";
    std::string binary;
    std::uint32_t state = 12345;
    for (int i = 0; i < 1 << 20; ++i) {
        state = state * 1103515245u + 12345u;
        binary += static_cast<char>(state >> 24);
    }
    struct Case {
        const char* name;
        const std::string* settings;
    };
    for (const Case& c : {Case{"100 MB", &huge}, Case{"binary bytes", &binary}}) {
        SCOPED_TRACE(c.name);
        WriteFile(programFolder_.Path() / "options.ini", *c.settings);
        fs::remove(work_.Path() / "result.ini");
        const ToolOutput run = Run(root.string(), {"/Scan", "result.ini"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(common::LoadIniFile((work_.Path() / "result.ini").string()).Find("Scan Result", "Current Size"), "");
        // The settings were written back at the end, to a file that still reads.
        EXPECT_EQ(common::LoadIniFile((programFolder_.Path() / "options.ini").string()).Find("Options", "Lan"),
                  "English");
    }
}

// A language file with bytes its code page does not have, a zero byte and a line longer than a
// value can be: the window is translated as far as the file can be read, and what the program
// prints stays text a terminal can show.
TEST_F(ProgramRun, ALanguageFileWithBadBytesOrOverlongLinesIsReadAsFarAsItCanBe) {
    const fs::path root = Installation();
    const std::string overlong = "L" + std::string(2999, 'o');
    WriteFile(programFolder_.Path() / "Languages" / "DLan_Test.ini",
              "[frmMain]\r\nlvMain_Column0=" + overlong + "\r\nlvMain_Column1=Bad \x81\x8D\xFF" +
                  std::string(1, '\0') + "\xC3\x28 tail\r\nlvMain_Column2=\xFE\xFE\xFE\r\n");
    WriteFile(programFolder_.Path() / "options.ini", "[Options]\r\nLan=Test\r\n");
    const ToolOutput run = Run(root.string(), {"/Scan", "result.ini"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(IsTerminalText(run.out));
    EXPECT_TRUE(Contains(run.out, overlong.substr(0, 2047) + " ")) << "the first 2047 characters of the long caption";
    EXPECT_FALSE(Contains(run.out, overlong.substr(0, 2048)));
    EXPECT_TRUE(Contains(run.out, "Bad ")) << run.out.substr(0, 200);
    EXPECT_FALSE(Contains(run.out, "tail")) << "a zero byte ends the caption";
}

// Root writes anywhere, so the folder is made read-only by a read-only mount of its own (in a
// mount namespace of the test's). The settings cannot be written: the user is told which file,
// and a /Scan that wrote its result has still done its job.
TEST_F(ProgramRun, AReadOnlyProgramFolderIsReportedAndTheRunStillEnds) {
    if (RunTool({"unshare", "-m", "true"}).exitCode != 0) GTEST_SKIP() << "no mount namespace here";
    const fs::path root = Installation();
    const std::string folder = programFolder_.Path().string();
    const std::vector<std::string> readOnly{
        "unshare", "-m", "sh", "-c",
        "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" \"$1\" && shift && exec \"$@\"", "sh",
        folder};
    const ToolOutput run = Run(root.string(), {"/Scan", "result.ini"}, readOnly);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "Unable to write to " + folder + "/options.ini.")) << run.err;
    EXPECT_FALSE(fs::exists(programFolder_.Path() / "options.ini"));
    EXPECT_NE(common::LoadIniFile((work_.Path() / "result.ini").string()).Find("Scan Result", "Time"), "");
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

// A main window of the program's class that another process holds.
class RunningMainWindow : public ui::Form {
public:
    RunningMainWindow() {
        SetName("frmMain");
        // The program's class name is a 64-byte field: the text, then zero bytes.
        SetWindowClassName("Varnel Kelvara Made by Varnel Software");
    }
};

// A script that starts an unattended run while the program runs already: nothing is done, the
// exit code says so (4, never the 0 of a job done) and standard error says why.
TEST_F(ProgramRun, AnUnattendedStartBesideARunningProgramDoesNothingAndSaysSo) {
    TempFolder runtime;
    auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
    widgets->SetRuntimeDir((runtime.Path() / "kelvara").string());
    ui::Application app(std::move(widgets));
    app.CreateForm<RunningMainWindow>();
    const fs::path root = Installation();
    const fs::path system = root / "Windows/System32/config/SYSTEM";
    const auto before = fs::last_write_time(system);
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/Silent"}, {"/Scan", "result.ini"}, {"/Undo"}, {"/Undo", "/AnyBackup"}}) {
        SCOPED_TRACE(arguments.front());
        const ToolOutput run = Run(root.string(), arguments, {"env", "XDG_RUNTIME_DIR=" + runtime.Path().string()});
        EXPECT_EQ(run.exitCode, 4) << run.err;
        EXPECT_NE(run.err.find("another instance is running; nothing was done"), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(system.string() + ".kvf"));
        EXPECT_FALSE(fs::exists(system.string() + ".bak"));
        EXPECT_FALSE(fs::exists(work_.Path() / "result.ini"));
        EXPECT_EQ(fs::last_write_time(system), before);
    }
    // Started by hand, the second start only brings the first to the front, as it always did.
    const ToolOutput byHand = Run(root.string(), {}, {"env", "XDG_RUNTIME_DIR=" + runtime.Path().string()});
    EXPECT_EQ(byHand.exitCode, 0) << byHand.err;
}

}  // namespace
}  // namespace kelvara::app
