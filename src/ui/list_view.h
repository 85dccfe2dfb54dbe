#pragma once
// Native list view in report style: columns with titles, widths and alignment; rows of a
// caption and sub-items; grid lines; whole-row selection; read-only.
#include <string>
#include <vector>

#include "ui/win_control.h"

namespace kelvara::ui {

struct ListColumn {
    std::string caption;
    int width = 50;
    TextAlign alignment = TextAlign::Left;
};

class TListView : public WinControl {
public:
    TListView() { SetTabStop(true); }
    bool HasCaption() const override { return false; }
    void ApplyKindFlags(unsigned flags) override;

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const ListColumn& Column(int i) const { return columns_.at(i); }
    void AddColumn(ListColumn column);
    void SetColumnCaption(int i, const std::string& caption);
    void SetColumnWidth(int i, int width);

    int ItemCount() const { return static_cast<int>(rows_.size()); }
    // Adds a row: its caption (column 0) and sub-items (columns 1...). Returns its index.
    int AddItem(const std::string& caption, const std::vector<std::string>& subItems = {});
    // Column 0 is the caption, column c > 0 is sub-item c - 1. Reading past the row's cells
    // gives "".
    std::string ItemText(int row, int column) const;
    // Writing a sub-item beyond the row's last one adds empty ones up to it.
    void SetItemText(int row, int column, const std::string& text);
    const std::vector<std::string>& Row(int row) const { return rows_.at(row); }
    void Clear();

    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool on);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on) { rowSelect_ = on; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    // Selected row or -1.
    int Selected() const { return selected_; }
    void SetSelected(int row);
    // The widget set reports the user's selection here.
    void PeerSelected(int row) { selected_ = (row >= 0 && row < ItemCount()) ? row : -1; }

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    void PeerCreated() override;

private:
    std::vector<ListColumn> columns_;
    std::vector<std::vector<std::string>> rows_;
    bool gridLines_ = false;
    bool rowSelect_ = true;
    bool readOnly_ = true;
    int selected_ = -1;
};

}  // namespace kelvara::ui
