// The string grid: a table of text cells with fixed header rows and columns, drawn by the
// toolkit, with a selected cell (or row) and vertical scrolling.
#pragma once

#include "toolkit/core.h"

namespace talvik {

// The first visible row that a WM_VSCROLL request asks for, from the current first row and the
// number of rows a page shows (the caller clamps it).
int VScrollTarget(WPARAM wp, int top, int pageRows);

class TStringGrid : public TWinControl {
public:
    TStringGrid(TWinControl* parent, int colCount, int rowCount);

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    int FixedCols = 1;
    int FixedRows = 1;
    int DefaultRowHeight = 24;
    bool RowSelect = false;

    void SetColWidth(int col, int width);
    int ColWidth(int col) const { return widths_.at(col); }

    // Cell text by column and row; out-of-range indexes raise "Range check error".
    std::string Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& s);

    int Row() const { return row_; }
    int Col() const { return col_; }
    // Selecting asks OnSelectCell first, as a click does; a refused cell keeps the old one.
    void SetRow(int row);
    void SelectCell(int col, int row);
    int TopRow() const { return top_; }

    std::function<void(TControl*, int col, int row, bool& canSelect)> OnSelectCell;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(HDC dc) override;

private:
    int VisibleRows() const;
    void UpdateScroll();
    void ScrollTo(int top);
    int cols_, rows_;
    std::vector<int> widths_;
    std::vector<std::string> cells_;
    int row_ = 1, col_ = 1, top_ = 1;
};

}  // namespace talvik
