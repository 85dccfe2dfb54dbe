// The width of a caption as the window draws it, for sizing the main window's controls to their
// texts: Wine's and Windows' fonts are wider or narrower than the designed ones, and a caption
// cut off ("Current Si...") hides what the window shows.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/font.h"

namespace kelvara::ui {
class Form;
struct ListColumn;
}  // namespace kelvara::ui

namespace kelvara::app {

// Width in pixels of the caption on one line in the font, without its access-key marks
// (the '&' is not drawn, so it takes no room).
int CaptionWidth(std::string_view caption, const ui::Font& font);

// The width a report column needs to show its title whole: the title and the header's margins.
int ColumnTitleWidth(std::string_view caption, const ui::Font& font);

// The columns' widths with every title whole: a column too narrow for its title grows; when the
// columns then no longer fit the list's room, the first column (the hive names, which has room to
// spare) gives up the difference, but never below its own title's width.
std::vector<int> FitColumnWidths(std::span<const ui::ListColumn> columns, int room, const ui::Font& font);

// Every left-aligned label of the form at least as wide as its text, growing to the right and
// stopping at the window's edge. Returns the names of the labels that grew.
std::vector<std::string> FitLabelWidths(ui::Form& form);

}  // namespace kelvara::app
