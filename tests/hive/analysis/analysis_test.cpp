// The Analyze command over a scripted system: every outcome of a run as a table, and the number
// formats on their own.
#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <optional>

#include "hive/analysis.h"
#include "hive/builtin_strings.h"
#include "hive/progress_form.h"
#include "hive/scan/scan_fixture.h"
#include "ui/buttons.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::hive::testing {
namespace {

constexpr const char* kConfig = "C:\\Windows\\System32\\config\\";

HiveSpec Machine(const char* name, const char* path, std::int64_t size, std::int64_t copy,
                 long saveStatus = platform::status::Success) {
    return {RootKey::LocalMachine, name, path, nullptr, size, copy, saveStatus};
}

struct Row {
    std::string current, copy, reduction;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& o, const Row& r) {
        return o << "{" << r.current << " | " << r.copy << " | " << r.reduction << "}";
    }
};

struct Totals {
    std::string current, copy, reduction, percent;
    friend bool operator==(const Totals&, const Totals&) = default;
    friend std::ostream& operator<<(std::ostream& o, const Totals& t) {
        return o << "{" << t.current << " | " << t.copy << " | " << t.reduction << " | " << t.percent << "}";
    }
};

enum class Interrupt { None, Stop, CloseBox };

const std::string kLowAdvice(const std::string& percent) {
    return std::string(kLowFragmentRateText) + " " + percent + ". " + kLowFragmentAdviceText;
}

const Row kOldRow{"old", "old", "old"};
const Totals kOldTotals{"old1", "old2", "old3", "old4"};

struct AnalysisCase {
    const char* name = "";
    std::vector<HiveSpec> hives;   // file names are made from the sub-key under kConfig
    bool lockFirstCopy = false;
    Interrupt interrupt = Interrupt::None;
    bool silent = false;
    char decimalSeparator = '.';
    // Expected: rows and totals (nullopt = left as they were), the boxes, the Defrag button.
    std::optional<std::vector<Row>> rows;
    std::optional<Totals> totals;
    std::vector<std::string> boxes;
    bool defragEnabled = false;
};

std::vector<AnalysisCase> Cases() {
    return {
        {"empty list", {}, false, Interrupt::None, false, '.', std::nullopt, std::nullopt, {}, true},
        {"locked copy",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9000)},
         true, Interrupt::None, false, '.', std::nullopt, std::nullopt,
         {kCannotAnalyzeNowText}, true},
        {"locked copy in silent mode is still reported",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9000)},
         true, Interrupt::None, true, '.', std::nullopt, std::nullopt,
         {kCannotAnalyzeNowText}, true},
        {"stopped run",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9000),
          Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 10000, 9000)},
         false, Interrupt::Stop, false, '.', std::nullopt, std::nullopt, {}, false},
        {"window closed by the user",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9000),
          Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 10000, 9000)},
         false, Interrupt::CloseBox, false, '.', std::nullopt, std::nullopt, {}, false},
        {"SOFTWARE copy of exactly a quarter passes",
         {Machine("SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE", 4003, 1000)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"4 KB", "1 KB", "75%"}}, Totals{"4 KB", "1 KB", "3 KB", "75.0%"}, {}, true},
        {"SOFTWARE copy under a quarter fails",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9000),
          Machine("SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE", 4003, 999)},
         false, Interrupt::None, true, '.', std::nullopt, std::nullopt, {kAnalyzeNoSuccessText}, false},
        {"copies larger in sum",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 12000),
          Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 8192, 8000)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"10 KB", "12 KB", "0%"}, {"8 KB", "8 KB", "2%"}},
         Totals{"18 KB", "20 KB", "0 KB", "0%"}, {}, true},
        {"one copy larger than its file",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 100000, 50000),
          Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 8192, 9000)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"98 KB", "49 KB", "50%"}, {"8 KB", "9 KB", "0%"}},
         Totals{"106 KB", "58 KB", "49 KB", "45.5%"}, {}, true},
        {"a copy that could not be written claims no gain",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 100000, 50000),
          Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 20480, 0, platform::status::AccessDenied)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"98 KB", "49 KB", "50%"}, {"20 KB", "", ""}},
         Totals{"118 KB", "69 KB", "49 KB", "41.5%"}, {}, true},
        {"2.96 percent shows 3.0 and still advises",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9704)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"10 KB", "10 KB", "2%"}}, Totals{"10 KB", "10 KB", "1 KB", "3.0%"},
         {kLowAdvice("3.0%")}, true},
        {"exactly 3.0 percent gives no advice",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9700)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"10 KB", "10 KB", "3%"}}, Totals{"10 KB", "10 KB", "1 KB", "3.0%"}, {}, true},
        {"12.25 percent rounds up",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 8775)},
         false, Interrupt::None, false, '.',
         std::vector<Row>{{"10 KB", "9 KB", "12%"}}, Totals{"10 KB", "9 KB", "2 KB", "12.3%"}, {}, true},
        {"the user's decimal separator",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 8775)},
         false, Interrupt::None, false, ',',
         std::vector<Row>{{"10 KB", "9 KB", "12%"}}, Totals{"10 KB", "9 KB", "2 KB", "12,3%"}, {}, true},
        {"silent mode under 3 percent: figures, no advice",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 9900)},
         false, Interrupt::None, true, '.',
         std::vector<Row>{{"10 KB", "10 KB", "1%"}}, Totals{"10 KB", "10 KB", "1 KB", "1.0%"}, {}, true},
        {"hive files of size 0 do not fail",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 0, 4096)},
         false, Interrupt::None, true, '.',
         std::vector<Row>{{"0 KB", "4 KB", "0%"}}, Totals{"0 KB", "4 KB", "0 KB", "0%"}, {}, true},
        {"no sizes at all give a total of 0.0",
         {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 0, 0, platform::status::AccessDenied)},
         false, Interrupt::None, true, '.',
         std::vector<Row>{{"0 KB", "", ""}}, Totals{"0 KB", "0 KB", "0 KB", "0.0%"}, {}, true},
    };
}

class AnalysisTest : public ScanFixture, public ::testing::WithParamInterface<AnalysisCase> {
protected:
    AnalysisTest() {
        form_ = ui::CreateForm<ui::Form>();
        form_->SetClientSize(556, 392);
        list_ = &form_->Add<ui::TListView>("lvMain", {10, 10, 400, 200});
        for (const char* title : {"Hive Name", "Current Size", "New Size", "Reduction"}) list_->AddColumn({title});
        for (const char* name : {"lCurrentRegistrySize", "lNewRegistrySize", "lSizeReduction", "lCompactPercent"})
            labels_.push_back(&form_->Add<ui::TLabel>(name, {420, 10 + 20 * static_cast<int>(labels_.size()), 100, 13}));
        defrag_ = &form_->Add<ui::TButton>("bDefragRegistry", {420, 120, 100, 25});
        form_->Show();
    }

    void Run(const AnalysisCase& c) {
        for (HiveSpec hive : c.hives) {
            fileNames_.push_back(std::string(kConfig) + hive.subKey);
            hive.file = fileNames_.back().c_str();
            AddHive(hive);
            list_->AddItem(hive.hivePath, {kOldRow.current, kOldRow.copy, kOldRow.reduction});
        }
        const std::string* old[] = {&kOldTotals.current, &kOldTotals.copy, &kOldTotals.reduction, &kOldTotals.percent};
        for (std::size_t i = 0; i < labels_.size(); ++i) labels_[i]->SetCaption(*old[i]);
        defrag_->SetEnabled(true);
        system_.SetDecimalSeparator(c.decimalSeparator);
        if (c.lockFirstCopy) {
            system_.AddFile(files_[0] + ".kvf", 5000);
            system_.SetFileLocked(files_[0] + ".kvf");
        }
        if (c.interrupt != Interrupt::None) {
            HoldSaves();
            Steps({
                [&] { gate_.WaitEntered(1); },
                [&, c] {
                    auto* progress = dynamic_cast<TfrmGetNewHiveProgess*>(idleTop_);
                    ASSERT_NE(progress, nullptr);
                    if (c.interrupt == Interrupt::Stop) progress->bStop().Click();
                    else progress->Close();
                    gate_.ReleaseOne();
                },
            });
        } else {
            gate_.Open();
        }

        AnalyzeRegistry({*form_, keys_, files_, *list_, *labels_[0], *labels_[1], *labels_[2], *labels_[3], *defrag_,
                         c.silent, false, system_, *app_});
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int i = 0; i < list_->ItemCount(); ++i)
            rows.push_back({list_->ItemText(i, 1), list_->ItemText(i, 2), list_->ItemText(i, 3)});
        return rows;
    }

    Totals LabelTexts() const {
        return {labels_[0]->Caption(), labels_[1]->Caption(), labels_[2]->Caption(), labels_[3]->Caption()};
    }

    std::unique_ptr<ui::Form> form_;
    ui::TListView* list_ = nullptr;
    std::vector<ui::TLabel*> labels_;
    ui::TButton* defrag_ = nullptr;
    std::deque<std::string> fileNames_;
};

TEST_P(AnalysisTest, Outcome) {
    const AnalysisCase& c = GetParam();
    Run(c);

    const std::vector<Row> unchanged(c.hives.size(), kOldRow);
    EXPECT_EQ(Rows(), c.rows.value_or(unchanged));
    EXPECT_EQ(LabelTexts(), c.totals.value_or(kOldTotals));
    std::vector<std::string> boxes;
    for (const auto& box : headless_->MessageBoxes()) {
        boxes.push_back(box.request.text);
        EXPECT_EQ(box.request.caption, "Varnel Kelvara");
        EXPECT_EQ(box.request.buttons, ui::MsgButtons::Ok);
    }
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(defrag_->Enabled(), c.defragEnabled);
    // The progress window is released on every path.
    for (ui::Form* f : app_->Forms()) EXPECT_EQ(dynamic_cast<TfrmGetNewHiveProgess*>(f), nullptr);
    if (c.lockFirstCopy || c.hives.empty()) {
        EXPECT_EQ(CountLogEntries(system_.CallLog(), "RegSaveKey"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, AnalysisTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<AnalysisCase>& info) {
                             std::string name;
                             for (char ch : std::string(info.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
                             return name;
                         });

TEST(AnalysisFigures, ReductionIsATruncatedWholePercent) {
    EXPECT_EQ(ReductionText(1000, 875), "12%");
    EXPECT_EQ(ReductionText(1000, 1001), "0%");
    EXPECT_EQ(ReductionText(1000, 1000), "0%");
    EXPECT_EQ(ReductionText(0, 0), "0%");
    EXPECT_EQ(ReductionText(0, -1), "0%");
    EXPECT_EQ(ReductionText(1000, 0), "100%");
}

TEST(AnalysisFigures, CompactPercentRoundsTheStoredSingleHalfAwayFromZero) {
    struct Case { std::int64_t current, copy; const char* text; };
    const Case cases[] = {
        {10000, 9704, "3.0%"}, {10000, 8775, "12.3%"}, {10000, 9700, "3.0%"}, {3, 2, "33.3%"},
        {8, 7, "12.5%"}, {10000, 10000, "0.0%"}, {1, 0, "100.0%"}, {0, 0, "0.0%"}, {1000, 999, "0.1%"},
        {20000, 19999, "0.0%"}, {20000, 19990, "0.1%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.current) + " -> " + std::to_string(c.copy));
        EXPECT_EQ(FormatCompactPercent(CompactPercent(c.current, c.copy), '.'), c.text);
    }
    EXPECT_LT(CompactPercent(10000, 9704), 3.0f);
    EXPECT_FALSE(CompactPercent(10000, 9700) < 3.0f);
}

TEST_F(AnalysisTest, SecondRunStoppedKeepsTheFirstRunsFigures) {
    AnalysisCase first;
    first.name = "first";
    first.hives = {Machine("SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM", 10000, 8775),
                   Machine("SAM", "\\REGISTRY\\MACHINE\\SAM", 10000, 8775)};
    Run(first);
    ASSERT_TRUE(defrag_->Enabled());
    const Totals firstTotals = LabelTexts();
    const std::vector<Row> firstRows = Rows();
    EXPECT_EQ(firstTotals.percent, "12.3%");

    gate_.Reset();
    HoldSaves();
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            auto* progress = dynamic_cast<TfrmGetNewHiveProgess*>(idleTop_);
            ASSERT_NE(progress, nullptr);
            progress->bStop().Click();
            gate_.ReleaseOne();
        },
    });
    AnalyzeRegistry({*form_, keys_, files_, *list_, *labels_[0], *labels_[1], *labels_[2], *labels_[3], *defrag_,
                     false, false, system_, *app_});
    EXPECT_FALSE(defrag_->Enabled());
    EXPECT_EQ(LabelTexts(), firstTotals);
    EXPECT_EQ(Rows(), firstRows);
}

}  // namespace
}  // namespace kelvara::hive::testing
