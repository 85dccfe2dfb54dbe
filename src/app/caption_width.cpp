#include "app/caption_width.h"

#include <algorithm>
#include <numeric>

#include "controls/skin_fit.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::app {

int CaptionWidth(std::string_view caption, const ui::Font& font)
{
    const std::string shown = ui::StripAccessKey(caption);
    return ui::Application::Instance().Widgets().TextExtent(shown, font).width;
}

int ColumnTitleWidth(std::string_view caption, const ui::Font& font)
{
    const int text = ui::Application::Instance().Widgets().TextExtent(std::string(caption), font).width;
    return text + controls::kHeaderMargins + controls::kPaintSlack;
}

std::vector<int> FitColumnWidths(std::span<const ui::ListColumn> columns, int room, const ui::Font& font)
{
    std::vector<int> widths;
    for (const ui::ListColumn& column : columns)
        widths.push_back(std::max(column.width, ColumnTitleWidth(column.caption, font)));
    if (widths.empty())
        return widths;
    const int designedTotal = std::accumulate(columns.begin(), columns.end(), 0,
                                              [](int sum, const ui::ListColumn& c) { return sum + c.width; });
    // Columns designed wider than the room stay as designed; only the growth is taken back.
    const int limit = std::max(room, designedTotal);
    const int total = std::accumulate(widths.begin(), widths.end(), 0);
    if (total > limit) {
        const int floor = ColumnTitleWidth(columns[0].caption, font);
        widths[0] = std::max(floor, widths[0] - (total - limit));
    }
    return widths;
}

std::vector<std::string> FitLabelWidths(ui::Form& form)
{
    std::vector<std::string> grown;
    for (ui::Component* component : form.Components()) {
        auto* label = dynamic_cast<ui::TLabel*>(component);
        // A right-aligned label keeps its right edge where the design puts it (the totals).
        if (label == nullptr || label->Alignment() != ui::TextAlign::Left)
            continue;
        if (label->ShownCaption().empty())
            continue;
        const int wanted = controls::CaptionNeededWidth(form, *label);
        const int room = form.ClientWidth() - controls::kWindowEdgeRoom - label->Left();
        const int width = std::min(wanted, room);
        if (width <= label->Width())
            continue;
        label->SetWidth(width);
        grown.push_back(label->Name());
    }
    return grown;
}

}  // namespace kelvara::app
