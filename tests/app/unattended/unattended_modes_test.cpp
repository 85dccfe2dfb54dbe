// The unattended modes over a host whose Analyze is the real command on a scripted system, and
// the /Scan result file in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/program_messages.h"
#include "app/unattended_modes.h"
#include "common/ini_file.h"
#include "common/ini/temp_folder.h"
#include "hive/analysis.h"
#include "hive/builtin_strings.h"
#include "hive/scan/scan_fixture.h"
#include "ui/buttons.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::app {
namespace {

using hive::testing::HiveSpec;
using hive::testing::ScanFixture;
using platform::RootKey;
namespace fs = std::filesystem;

// A main window reduced to what the modes touch, with a record of what they did.
class TestHost : public UnattendedHost {
public:
    TestHost(ui::Form& form, const std::vector<std::string>& keys, const std::vector<std::string>& files,
             platform::System& system, ui::Application& app)
        : form_(form), keys_(keys), files_(files), system_(system), app_(app) {
        list_ = &form.Add<ui::TListView>("lvMain", {10, 10, 400, 200});
        for (const char* title : {"Hive Name", "Current Size", "New Size", "Reduction"}) list_->AddColumn({title});
        for (const char* name : {"lCurrentRegistrySize", "lNewRegistrySize", "lSizeReduction", "lCompactPercent"})
            labels_.push_back(&form.Add<ui::TLabel>(name, {420, 10 + 20 * static_cast<int>(labels_.size()), 100, 13}));
        defrag_ = &form.Add<ui::TButton>("bDefragRegistry", {420, 120, 100, 25});
        defrag_->SetEnabled(false);
        for (const std::string& key : keys) list_->AddItem(key, {"", "", ""});
    }

    void SetSilentMode() override { silent = true; calls.push_back("SetSilentMode"); }
    void PostToSelf(unsigned message) override { calls.push_back("Post " + std::to_string(message)); }
    void HideWindows() override { calls.push_back("HideWindows"); }
    void AnalyzeRegistry() override {
        calls.push_back("AnalyzeRegistry");
        if (beforeAnalysis) beforeAnalysis();
        hive::AnalyzeRegistry({form_, keys_, files_, *list_, *labels_[0], *labels_[1], *labels_[2], *labels_[3],
                               *defrag_, silent, false, system_, app_});
    }
    bool DefragEnabled() const override { return defrag_->Enabled(); }
    bool DefragRegistry() override {
        calls.push_back("DefragRegistry");
        return defragReplaces;
    }
    void CloseMainWindow() override { calls.push_back("CloseMainWindow"); }
    void RunEnded(bool done) override {
        calls.push_back(done ? "RunEnded done" : "RunEnded not done");
        jobDone = done;
    }
    ScanTotals Totals() const override {
        return {labels_[0]->Caption(), labels_[1]->Caption(), labels_[2]->Caption(), labels_[3]->Caption()};
    }
    platform::System& System() override { return system_; }
    void ReportError(const std::exception& error) override { app_.HandleException(error); }

    bool silent = false;
    bool defragReplaces = true;   // what the Defrag command answers
    std::optional<bool> jobDone;
    std::vector<std::string> calls;
    std::function<void()> beforeAnalysis;

private:
    ui::Form& form_;
    const std::vector<std::string>& keys_;
    const std::vector<std::string>& files_;
    platform::System& system_;
    ui::Application& app_;
    ui::TListView* list_ = nullptr;
    std::vector<ui::TLabel*> labels_;
    ui::TButton* defrag_ = nullptr;
};

const HiveSpec kSystem{RootKey::LocalMachine, "SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM",
                       "C:\\Windows\\System32\\config\\SYSTEM", 10000, 8775};
const HiveSpec kSoftware{RootKey::LocalMachine, "SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE",
                         "C:\\Windows\\System32\\config\\SOFTWARE", 40000, 9000};

class UnattendedTest : public ScanFixture {
protected:
    UnattendedTest() {
        gate_.Open();
        form_ = ui::CreateForm<ui::Form>();
        form_->SetClientSize(556, 392);
        system_.SetLocalTime({2024, 3, 5, 14, 7, 9, 0});
        system_.SetDateTimeFormats("M/d/yyyy", "h:mm:ss tt");
    }

    TestHost& Host() {
        if (!host_) {
            host_ = std::make_unique<TestHost>(*form_, keys_, files_, system_, *app_);
            form_->Show();
        }
        return *host_;
    }

    std::vector<std::string> Args(std::initializer_list<const char*> rest) {
        std::vector<std::string> args{"C:\\Program Files\\Varnel Kelvara\\Kelvara.exe"};
        for (const char* a : rest) args.push_back(a);
        return args;
    }

    kelvara::testing::TempFolder folder_;
    std::unique_ptr<ui::Form> form_;
    std::unique_ptr<TestHost> host_;
};

struct SwitchCase {
    std::vector<const char*> args;
    std::vector<std::string> calls;
};

TEST_F(UnattendedTest, OnlyAWholeFirstArgumentSelectsAMode) {
    const std::string defrag = "Post " + std::to_string(WM_AUTODEFRAG);
    const std::string scan = "Post " + std::to_string(WM_AUTOSCAN);
    const std::string undo = "Post " + std::to_string(WM_AUTOUNDO);
    const SwitchCase cases[] = {
        {{"/Undo"}, {"SetSilentMode", undo}},
        {{"/undo", "/Silent"}, {"SetSilentMode", undo}},
        {{"/Silent", "/Undo"}, {"SetSilentMode", defrag}},
        {{"/Silent"}, {"SetSilentMode", defrag}},
        {{"/silent"}, {"SetSilentMode", defrag}},
        {{"/SILENT", "whatever"}, {"SetSilentMode", defrag}},
        {{"/Scan", "C:\\result.ini"}, {"SetSilentMode", scan}},
        {{"/scan"}, {"SetSilentMode", scan}},
        {{"/SCAN"}, {"SetSilentMode", scan}},
        {{"-Scan"}, {}},
        {{"/Scanner"}, {}},
        {{"x", "/Silent"}, {}},
        {{}, {}},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        host_.reset();
        form_ = ui::CreateForm<ui::Form>();
        std::vector<std::string> args{"Kelvara.exe"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ExamineCommandLine(Host(), args);
        EXPECT_EQ(Host().calls, c.calls);
    }
}

TEST_F(UnattendedTest, ScanReplacesOnlyItsOwnSectionWithTheFiveKeysInOrder) {
    AddHive(kSystem);
    const std::string result = folder_.File("result.ini");
    kelvara::testing::WriteBytes(result,
                                "[Before]\r\nA=1\r\n[Scan Result]\r\nCurrent Size=9 KB\r\nOld Key=x\r\n"
                                "[After]\r\nB=2\r\n");
    bool oldSectionGoneDuringAnalysis = false;
    Host().beforeAnalysis = [&] {
        oldSectionGoneDuringAnalysis = !common::LoadIniFile(result).HasSection("Scan Result");
    };
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));

    EXPECT_TRUE(oldSectionGoneDuringAnalysis);
    EXPECT_EQ(Host().calls,
              (std::vector<std::string>{"HideWindows", "AnalyzeRegistry", "RunEnded done", "CloseMainWindow"}));
    EXPECT_EQ(kelvara::testing::ReadBytes(result),
              "[Before]\r\nA=1\r\n[After]\r\nB=2\r\n\r\n"
              "[Scan Result]\r\nCurrent Size=10 KB\r\nNew Size=9 KB\r\nSize Reduction=2 KB\r\n"
              "Compact Percent=12.3%\r\nTime=3/5/2024 2:07:09 PM\r\n");
}

// After a defragmentation the result also says what its restart did, in a section of its own.
TEST_F(UnattendedTest, ScanAddsTheOutcomeOfTheLastHandOverInItsOwnSection) {
    AddHive(kSystem);
    system_.SetProgramFolder(folder_.WithSeparator());
    kelvara::testing::WriteBytes(folder_.File("LastHandOver.ini"),
                                "[Last Hand-over]\r\nCommand=Defrag\r\nTime=2024-03-04 22:15:00\r\nHives=2\r\n"
                                "Hive1=1|4096|2048|\\REGISTRY\\MACHINE\\SYSTEM|" + std::string(kSystem.file) + "\r\n"
                                "Hive2=1|8192|4096|\\REGISTRY\\MACHINE\\SAM|C:\\Windows\\System32\\config\\SAM\r\n");
    system_.AddFile(std::string(kSystem.file) + ".bak", 4096);
    const std::string result = folder_.File("result.ini");
    kelvara::testing::WriteBytes(result, "[Last Hand-over]\r\nHives Replaced=9 of 9\r\n");
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));
    EXPECT_EQ(kelvara::testing::ReadBytes(result),
              "[Scan Result]\r\nCurrent Size=10 KB\r\nNew Size=9 KB\r\nSize Reduction=2 KB\r\n"
              "Compact Percent=12.3%\r\nTime=3/5/2024 2:07:09 PM\r\n\r\n"
              "[Last Hand-over]\r\nCommand=Defrag\r\nTime=3/4/2024 10:15:00 PM\r\nHives Replaced=1 of 2\r\n"
              "Current Size=4 KB\r\nNew Size=2 KB\r\nNot Replaced=\\REGISTRY\\MACHINE\\SAM\r\n"
              "Hives Waiting=0 of 2\r\n");
}

// A hand-over recorded after Windows last started has not been carried out: /Scan says it waits,
// and replaced nothing yet, though the hives' names already hold the copies.
TEST_F(UnattendedTest, ScanReportsAHandOverThatWaitsForTheRestart) {
    AddHive(kSystem);
    system_.SetProgramFolder(folder_.WithSeparator());
    system_.SetSystemStartTime(1709640000);   // 2024-03-05 12:00:00 UTC
    const auto copy = system_.IdentityOf(kSystem.file);
    kelvara::testing::WriteBytes(folder_.File("LastHandOver.ini"),
                                "[Last Hand-over]\r\nCommand=Defrag\r\nTime=2024-03-05 13:00:00\r\nClock=UTC\r\n"
                                "Hives=1\r\nHive1=accepted|4096|2048|" + std::to_string(*copy) +
                                    "|\\REGISTRY\\MACHINE\\SYSTEM|" + std::string(kSystem.file) + "|\r\n");
    const std::string result = folder_.File("result.ini");
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));
    const std::string written = kelvara::testing::ReadBytes(result);
    EXPECT_NE(written.find("Hives Replaced=0 of 1\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("Hives Waiting=1 of 1\r\n"), std::string::npos) << written;

    // Once Windows has started since, the same record tells the hive replaced.
    system_.SetSystemStartTime(1709645000);
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));
    const std::string after = kelvara::testing::ReadBytes(result);
    EXPECT_NE(after.find("Hives Replaced=1 of 1\r\n"), std::string::npos) << after;
    EXPECT_NE(after.find("Hives Waiting=0 of 1\r\n"), std::string::npos) << after;
}

TEST_F(UnattendedTest, ScanWithoutAPathWritesNothingAndStillCloses) {
    AddHive(kSystem);
    HandleAutoScan(Host(), Args({"/Scan"}));
    EXPECT_EQ(Host().calls,
              (std::vector<std::string>{"HideWindows", "AnalyzeRegistry", "RunEnded done", "CloseMainWindow"}));
    EXPECT_EQ(Host().Totals().compactPercent, "12.3%");
    EXPECT_TRUE(fs::is_empty(folder_.path()));
}

TEST_F(UnattendedTest, AResultFileThatCannotBeWrittenIsReportedAndTheProgramCloses) {
    AddHive(kSystem);
    const std::string result = folder_.File("missing-folder/result.ini");
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    const auto& box = headless_->MessageBoxes()[0].request;
    EXPECT_EQ(box.text, "Unable to write to " + result + ".");
    EXPECT_EQ(box.icon, ui::MsgIcon::Stop);
    EXPECT_EQ(Host().calls.back(), "CloseMainWindow");
}

TEST_F(UnattendedTest, AFailedAnalysisWritesTheLabelsAsTheyStand) {
    AddHive(kSystem);
    system_.AddFile(std::string(kSystem.file) + ".kvf", 100);
    system_.SetFileLocked(std::string(kSystem.file) + ".kvf");
    const std::string result = folder_.File("result.ini");
    Host().silent = true;
    HandleAutoScan(Host(), Args({"/Scan", result.c_str()}));
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless_->MessageBoxes()[0].request.text, hive::kCannotAnalyzeNowText);
    const common::IniFile file = common::LoadIniFile(result);
    EXPECT_EQ(file.Find("Scan Result", "Current Size"), "");
    EXPECT_EQ(file.Find("Scan Result", "Compact Percent"), "");
    EXPECT_EQ(file.Find("Scan Result", "Time"), "3/5/2024 2:07:09 PM");
}

TEST_F(UnattendedTest, SilentReplacesOnlyAfterAUsableAnalysis) {
    struct Case {
        const char* name;
        HiveSpec hive;
        bool defrag;
    };
    HiveSpec tooSmall = kSoftware;
    tooSmall.copySize = 9999;   // under a quarter of 40000
    for (const Case& c : {Case{"usable", kSystem, true}, Case{"SOFTWARE copy too small", tooSmall, false}}) {
        SCOPED_TRACE(c.name);
        host_.reset();
        keys_.clear();
        files_.clear();
        form_ = ui::CreateForm<ui::Form>();
        AddHive(c.hive);
        Host().silent = true;
        HandleAutoDefrag(Host());
        std::vector<std::string> expected{"HideWindows", "AnalyzeRegistry"};
        if (c.defrag) expected.push_back("DefragRegistry");
        expected.push_back(c.defrag ? "RunEnded done" : "RunEnded not done");
        expected.push_back("CloseMainWindow");
        EXPECT_EQ(Host().calls, expected);
    }
}

// What a scheduler learns from the exit code: every way a run can end, and whether it did its job.
TEST_F(UnattendedTest, EachRunSaysWhetherItDidItsJob) {
    HiveSpec tooSmall = kSoftware;
    tooSmall.copySize = 9999;   // under a quarter of 40000
    struct Case {
        const char* name;
        bool silent;                  // /Silent, else /Scan
        std::vector<HiveSpec> hives;
        const char* result;           // /Scan's result name in the test's folder; "" for none
        bool copyHeldOpen;            // the analysis cannot start
        bool defragReplaces;
        bool done;
    };
    const Case cases[] = {
        {"/Silent, hives handed over", true, {kSystem}, "", false, true, true},
        {"/Silent, no hive accepted", true, {kSystem}, "", false, false, false},
        {"/Silent, SOFTWARE copy too small", true, {tooSmall}, "", false, true, false},
        {"/Silent, analysis cannot start", true, {kSystem}, "", true, true, false},
        {"/Silent, no hives at all", true, {}, "", false, true, false},
        {"/Scan, result written", false, {kSystem}, "result.ini", false, true, true},
        {"/Scan, no result file asked for", false, {kSystem}, "", false, true, true},
        {"/Scan, result file cannot be written", false, {kSystem}, "no-such-folder/result.ini", false, true, false},
        {"/Scan, SOFTWARE copy too small", false, {tooSmall}, "result.ini", false, true, false},
        {"/Scan, analysis cannot start", false, {kSystem}, "result.ini", true, true, false},
        {"/Scan, no hives at all", false, {}, "result.ini", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.reset();
        keys_.clear();
        files_.clear();
        form_ = ui::CreateForm<ui::Form>();
        for (const HiveSpec& hive : c.hives) AddHive(hive);
        const std::string copy = std::string(kSystem.file) + ".kvf";
        if (c.copyHeldOpen) system_.AddFile(copy, 100);
        if (system_.HasFile(copy)) system_.SetFileLocked(copy, c.copyHeldOpen);
        Host().silent = true;
        Host().defragReplaces = c.defragReplaces;
        if (c.silent)
            HandleAutoDefrag(Host());
        else
            HandleAutoScan(Host(), Args({"/Scan", *c.result ? folder_.File(c.result).c_str() : ""}));
        ASSERT_TRUE(Host().jobDone.has_value());
        EXPECT_EQ(*Host().jobDone, c.done);
        EXPECT_EQ(Host().calls.back(), "CloseMainWindow");
    }
}

TEST_F(UnattendedTest, TimeLeavesOutTheClockAtExactlyMidnight) {
    struct Case {
        platform::LocalTime time;
        const char* dateFormat;
        const char* timeFormat;
        const char* expected;
    };
    const Case cases[] = {
        {{2024, 3, 5, 14, 7, 9, 0}, "M/d/yyyy", "h:mm:ss tt", "3/5/2024 2:07:09 PM"},
        {{2024, 3, 5, 0, 0, 0, 0}, "M/d/yyyy", "h:mm:ss tt", "3/5/2024"},
        {{2024, 3, 5, 0, 0, 0, 0}, "dd.MM.yyyy", "HH:mm:ss", "05.03.2024"},
        {{2024, 3, 5, 0, 0, 0, 0}, "d MMM yyyy", "H:mm:ss", "5 Mar 2024"},
        {{2024, 3, 5, 0, 0, 1, 0}, "dd.MM.yyyy", "HH:mm:ss", "05.03.2024 00:00:01"},
        {{2024, 3, 5, 0, 0, 0, 5}, "dd.MM.yyyy", "HH:mm:ss", "05.03.2024 00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        system_.SetLocalTime(c.time);
        system_.SetDateTimeFormats(c.dateFormat, c.timeFormat);
        EXPECT_EQ(ScanResultTime(system_), c.expected);
    }
}

// Korean and Traditional Chinese long times begin with the AM/PM text, whose morning and
// afternoon forms begin with the same bytes in code pages 949 and 950: at midnight the date
// must still come alone, with no piece of that text after it.
TEST_F(UnattendedTest, TheDateAloneAtMidnightWhereTheLongTimeStartsWithTheMarker) {
    struct Case {
        const char* name;
        const char* am;
        const char* pm;
        const char* dateFormat;
        const char* timeFormat;
        platform::LocalTime time;
        std::string expected;
    };
    const char* const kKoreanAm = "\xBF\xC0\xC0\xFC";    // 오전 in code page 949
    const char* const kKoreanPm = "\xBF\xC0\xC8\xC4";    // 오후
    const char* const kChineseAm = "\xA4\x57\xA4\xC8";   // 上午 in code page 950
    const char* const kChinesePm = "\xA4\x55\xA4\xC8";   // 下午
    const Case cases[] = {
        {"Korean, midnight", kKoreanAm, kKoreanPm, "yyyy-MM-dd", "tt h:mm:ss", {2024, 3, 5, 0, 0, 0, 0}, "2024-03-05"},
        {"Korean, a second later", kKoreanAm, kKoreanPm, "yyyy-MM-dd", "tt h:mm:ss", {2024, 3, 5, 0, 0, 1, 0},
         std::string("2024-03-05 ") + kKoreanAm + " 12:00:01"},
        {"Chinese, midnight", kChineseAm, kChinesePm, "yyyy/M/d", "tt hh:mm:ss", {2024, 3, 5, 0, 0, 0, 0}, "2024/3/5"},
        {"Chinese, evening", kChineseAm, kChinesePm, "yyyy/M/d", "tt hh:mm:ss", {2024, 3, 5, 23, 59, 59, 0},
         std::string("2024/3/5 ") + kChinesePm + " 11:59:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system_.SetTimeMarkers(c.am, c.pm);
        system_.SetLocalTime(c.time);
        system_.SetDateTimeFormats(c.dateFormat, c.timeFormat);
        EXPECT_EQ(ScanResultTime(system_), c.expected);
    }
}

TEST(ScanResultPath, RelativeNamesLieInTheWindowsFolderOnlyOnWindows) {
#ifdef _WIN32
    EXPECT_EQ(ResolveScanResultPath("C:\\out\\r.ini"), "C:\\out\\r.ini");
    EXPECT_NE(ResolveScanResultPath("r.ini"), "r.ini");
    EXPECT_EQ(ResolveScanResultPath("r.ini").substr(ResolveScanResultPath("r.ini").size() - 6), "\\r.ini");
#else
    EXPECT_EQ(ResolveScanResultPath("r.ini"), "r.ini");
    EXPECT_EQ(ResolveScanResultPath("/tmp/r.ini"), "/tmp/r.ini");
#endif
    EXPECT_EQ(ResolveScanResultPath(""), "");
}

}  // namespace
}  // namespace kelvara::app
