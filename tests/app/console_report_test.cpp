// The Linux program's picture of the main window on the terminal: the list with its four columns
// aligned as in the window, then the four totals with their captions.
#include "main_window_fixture.h"

#include <sstream>

#include "app/console_report.h"
#include "ui/list_view.h"

namespace kelvara::app::testing {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(MainWindowTest, ReportShowsRowsAlignedAndTheTotals)
{
    AddHive(kStandardHives[0]);
    AddHive(kStandardHives[2]);
    TfrmMain& form = CreateAndShow();
    form.lvMain().SetItemText(0, 1, "12,288 KB");
    form.lvMain().SetItemText(0, 2, "8,192 KB");
    form.lvMain().SetItemText(0, 3, "4,096 KB");
    form.Label("lCurrentRegistrySize").SetCaption("12,288 KB");
    form.Label("lCompactPercent").SetCaption("33.3%");

    std::ostringstream out;
    PrintMainWindowReport(form, out);
    const std::vector<std::string> lines = Lines(out.str());

    ASSERT_GE(lines.size(), 9u) << out.str();
    EXPECT_EQ(lines[0].rfind("Hive Name", 0), 0u);
    EXPECT_NE(lines[0].find("Current Size"), std::string::npos);
    EXPECT_EQ(lines[2].rfind("\\REGISTRY\\MACHINE\\SYSTEM", 0), 0u);
    EXPECT_EQ(lines[3].rfind("\\REGISTRY\\USER\\.DEFAULT", 0), 0u);
    // Size columns are right-aligned: every row has the same length, the figures end it.
    EXPECT_EQ(lines[2].size(), lines[0].size());
    EXPECT_EQ(lines[2].substr(lines[2].size() - 8), "4,096 KB");
    EXPECT_EQ(lines[5], std::string("Current Registry Size:  12,288 KB"));
    EXPECT_EQ(lines[8], std::string("Compact Percent:        33.3%"));
}

TEST_F(MainWindowTest, ReportSaysWhenThereAreNoHives)
{
    TfrmMain& form = CreateAndShow();
    std::ostringstream out;
    PrintMainWindowReport(form, out);
    EXPECT_NE(out.str().find("(no hives)"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace kelvara::app::testing
