#include "app/console_report.h"

#include "defrag/defrag_texts.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "common/size_format.h"
#include "hive/snapshot.h"
#include "ui/list_view.h"
#include "ui/widget_set.h"
#include "ui/standard_controls.h"

namespace kelvara::app {

namespace {

// Columns on a UTF-8 terminal: a translated caption's letters may take several bytes each, and
// the ideographs of Chinese and Japanese (U+2E80 to U+9FFF, the full-width forms U+FF00 to
// U+FF60) two columns.
std::size_t ColumnsOf(const std::string& text)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80)
            continue;   // continues the character before
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const bool wide = (c == 0xE2 && next >= 0xBA) || (c >= 0xE3 && c <= 0xE9) ||
                          (c == 0xEF && next >= 0xBC && next <= 0xBD);
        columns += wide ? 2 : 1;
    }
    return columns;
}

void PrintCell(std::ostream& out, const std::string& text, std::size_t width, ui::TextAlign align)
{
    const std::size_t columns = ColumnsOf(text);
    const std::string padding(width > columns ? width - columns : 0, ' ');
    if (align == ui::TextAlign::Right)
        out << padding << text;
    else
        out << text << padding;
}

}  // namespace

void PrintMainWindowReport(const TfrmMain& form, std::ostream& out)
{
    const ui::TListView& list = form.lvMain();
    const int columns = list.ColumnCount();
    std::vector<std::size_t> widths(columns);
    for (int c = 0; c < columns; ++c) {
        widths[c] = ColumnsOf(list.Column(c).caption);
        for (int row = 0; row < list.ItemCount(); ++row)
            widths[c] = std::max(widths[c], ColumnsOf(list.ItemText(row, c)));
    }

    auto printRow = [&](auto textOf) {
        std::ostringstream line;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line << "  ";
            PrintCell(line, textOf(c), widths[c], list.Column(c).alignment);
        }
        std::string text = line.str();
        text.erase(text.find_last_not_of(' ') + 1);   // rows before an analysis end in blanks
        out << text << '\n';
    };
    printRow([&](int c) { return list.Column(c).caption; });
    printRow([&](int c) { return std::string(widths[c], '-'); });
    for (int row = 0; row < list.ItemCount(); ++row)
        printRow([&](int c) { return list.ItemText(row, c); });
    if (list.ItemCount() == 0)
        out << "(no hives)\n";

    // Each total with the caption it has in the window.
    const std::pair<const char*, const char*> totals[] = {
        {"lLastWashed", "lCurrentRegistrySize"},
        {"Label4", "lNewRegistrySize"},
        {"Label5", "lSizeReduction"},
        {"lCompactPercent1", "lCompactPercent"},
    };
    std::size_t captionWidth = 0;
    for (const auto& [caption, value] : totals)
        captionWidth = std::max(captionWidth, ColumnsOf(form.Label(caption).Caption()));
    out << '\n';
    for (const auto& [caption, value] : totals) {
        std::ostringstream line;
        PrintCell(line, form.Label(caption).Caption(), captionWidth, ui::TextAlign::Left);
        line << "  " << form.Label(value).Caption();
        std::string text = line.str();
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << '\n';
    }
}

void PrintSaveNotes(platform::System& system, std::ostream& out)
{
    const std::vector<std::string> notes = system.SaveNotes();
    if (!notes.empty())
        out << '\n';
    for (const std::string& note : notes)
        out << note << '\n';
}

void PrintReplacementReport(const defrag::DefragOutcome& outcome, platform::System& system, std::ostream& out)
{
    if (outcome.end == defrag::DefragEnd::HandOverWaiting)
        out << '\n' << defrag::kDefragWaitingText << '\n';
    if (outcome.hives.empty())
        return;
    std::size_t nameWidth = 0;
    for (const defrag::HiveHandOver& hive : outcome.hives)
        nameWidth = std::max(nameWidth, hive.hivePath.size());

    out << '\n';
    for (const defrag::HiveHandOver& hive : outcome.hives) {
        PrintCell(out, hive.hivePath, nameWidth, ui::TextAlign::Left);
        out << "  ";
        if (!hive.accepted) {
            out << "not replaced: " << hive.reason << '\n';
            continue;
        }
        if (system.ReplacesAtOnceWithLogs())
            out << "replaced (" << common::FormatSizeKB(hive::QueryFileSize(system, hive.hiveFile + ".bak"))
                << " -> " << common::FormatSizeKB(hive::QueryFileSize(system, hive.hiveFile)) << ")\n";
        else
            out << "handed over; Windows uses it from its next start\n";
    }
    if (outcome.end == defrag::DefragEnd::RestartRefused)
        out << '\n' << defrag::kRestartRefusedUnattendedText << '\n';
}

void PrintUndoReport(const defrag::UndoOutcome& outcome, platform::System& system, std::ostream& out)
{
    if (!outcome.message.empty())
        out << '\n' << outcome.message << '\n';
    if (outcome.end == defrag::UndoEnd::RestartRefused)
        out << '\n' << defrag::kRestartRefusedUnattendedText << '\n';
    if (outcome.end != defrag::UndoEnd::RestartRequested && outcome.end != defrag::UndoEnd::RestartRefused)
        return;
    std::size_t nameWidth = 0;
    for (const defrag::HiveUndo& hive : outcome.hives)
        nameWidth = std::max(nameWidth, hive.hivePath.size());
    out << '\n';
    for (const defrag::HiveUndo& hive : outcome.hives) {
        PrintCell(out, hive.hivePath, nameWidth, ui::TextAlign::Left);
        out << "  ";
        if (!hive.handedOver)
            out << "not put back: " << hive.reason << '\n';
        else if (!system.ReplacesAtOnceWithLogs())
            out << "handed over; Windows uses it from its next start\n";
        else
            out << "put back (" << common::FormatSizeKB(hive::QueryFileSize(system, hive.hiveFile + ".undone"))
                << " -> " << common::FormatSizeKB(hive::QueryFileSize(system, hive.hiveFile)) << ")\n";
    }
}

}  // namespace kelvara::app
