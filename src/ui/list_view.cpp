#include "ui/list_view.h"

#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void TListView::ApplyKindFlags(unsigned flags) {
    WinControl::ApplyKindFlags(flags);
    if (flags & kReadOnly) SetReadOnly(true);
    if (flags & kGridLines) SetGridLines(true);
}

void TListView::AddColumn(ListColumn column) {
    columns_.push_back(std::move(column));
    if (Peer()) Peer()->ColumnsChanged();
}

void TListView::SetColumnCaption(int i, const std::string& caption) {
    columns_.at(i).caption = caption;
    if (Peer()) Peer()->ColumnsChanged();
}

void TListView::SetColumnWidth(int i, int width) {
    columns_.at(i).width = width;
    if (Peer()) Peer()->ColumnsChanged();
}

int TListView::AddItem(const std::string& caption, const std::vector<std::string>& subItems) {
    std::vector<std::string> row{caption};
    row.insert(row.end(), subItems.begin(), subItems.end());
    rows_.push_back(std::move(row));
    int index = static_cast<int>(rows_.size()) - 1;
    if (Peer()) Peer()->ItemAdded(index);
    return index;
}

std::string TListView::ItemText(int row, int column) const {
    const auto& cells = rows_.at(row);
    if (column < 0 || column >= static_cast<int>(cells.size())) return {};
    return cells[column];
}

void TListView::SetItemText(int row, int column, const std::string& text) {
    auto& cells = rows_.at(row);
    if (column < 0) return;
    if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
    cells[column] = text;
    if (Peer()) Peer()->ItemTextChanged(row, column);
}

void TListView::Clear() {
    rows_.clear();
    selected_ = -1;
    if (Peer()) Peer()->ItemsCleared();
}

void TListView::SetGridLines(bool on) {
    gridLines_ = on;
    if (Peer()) Peer()->SetGridLines(on);
}

void TListView::SetSelected(int row) {
    if (row < -1 || row >= ItemCount()) row = -1;
    selected_ = row;
    if (Peer()) Peer()->SetSelected(row);
}

std::unique_ptr<ControlPeer> TListView::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateListViewPeer(*this, form);
}

void TListView::PeerCreated() {
    Peer()->ColumnsChanged();
    for (int i = 0; i < ItemCount(); ++i) Peer()->ItemAdded(i);
    Peer()->SetGridLines(gridLines_);
    if (selected_ >= 0) Peer()->SetSelected(selected_);
}

}  // namespace kelvara::ui
