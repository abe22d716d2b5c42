// The string grid, drawn with GDI in a window of the toolkit's own class.
#include "toolkit/grids.h"

#include <algorithm>

#include "base/rtl.h"

namespace talvik {

int VScrollTarget(WPARAM wp, int top, int pageRows) {
    switch (LOWORD(wp)) {
    case SB_LINEUP: return top - 1;
    case SB_LINEDOWN: return top + 1;
    case SB_PAGEUP: return top - pageRows;
    case SB_PAGEDOWN: return top + pageRows;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return HIWORD(wp);
    default: return top;
    }
}

TStringGrid::TStringGrid(TWinControl* parent, int colCount, int rowCount)
    : TWinControl(parent), cols_(colCount), rows_(rowCount), widths_(colCount, 64),
      cells_(static_cast<size_t>(colCount) * rowCount) {
    width_ = 320;
    height_ = 120;
    color_ = GetSysColor(COLOR_WINDOW);
    CreateOwnWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | WS_TABSTOP | (visible_ ? WS_VISIBLE : 0),
                    WS_EX_CLIENTEDGE, parent->Handle(), "");
    UpdateScroll();
}

void TStringGrid::SetColWidth(int col, int width) {
    At(widths_, col) = width;
    Invalidate();
}

std::string TStringGrid::Cell(int col, int row) const {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    return cells_[static_cast<size_t>(row) * cols_ + col];
}

void TStringGrid::SetCell(int col, int row, const std::string& s) {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    cells_[static_cast<size_t>(row) * cols_ + col] = s;
    Invalidate();
}

void TStringGrid::SetRow(int row) { SelectCell(col_, row); }

void TStringGrid::SelectCell(int col, int row) {
    RangeCheck(col, FixedCols, cols_ - 1);
    RangeCheck(row, FixedRows, rows_ - 1);
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, col, row, can);
    if (!can) return;
    col_ = col;
    row_ = row;
    if (row_ < top_) ScrollTo(row_);
    else if (row_ >= top_ + VisibleRows()) ScrollTo(row_ - VisibleRows() + 1);
    Invalidate();
}

int TStringGrid::VisibleRows() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    int h = r.bottom - FixedRows * DefaultRowHeight;
    return std::max(1, h / DefaultRowHeight);
}

void TStringGrid::UpdateScroll() {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = FixedRows;
    si.nMax = rows_ - 1;
    si.nPage = VisibleRows();
    si.nPos = top_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

void TStringGrid::ScrollTo(int top) {
    int maxTop = std::max(FixedRows, rows_ - VisibleRows());
    top_ = std::clamp(top, FixedRows, maxTop);
    UpdateScroll();
    Invalidate();
}

void TStringGrid::Paint(HDC dc) {
    HFONT old = static_cast<HFONT>(SelectObject(dc, font_.Handle()));
    SetBkMode(dc, TRANSPARENT);
    RECT client;
    GetClientRect(hwnd_, &client);
    auto drawRow = [&](int row, int y) {
        int x = 0;
        for (int c = 0; c < cols_; ++c) {
            RECT cell{x, y, x + widths_[c], y + DefaultRowHeight};
            bool fixed = c < FixedCols || row < FixedRows;
            bool selected = !fixed && row == row_ && (RowSelect || c == col_);
            HBRUSH b = fixed      ? GetSysColorBrush(COLOR_BTNFACE)
                       : selected ? GetSysColorBrush(COLOR_HIGHLIGHT)
                                  : GetSysColorBrush(COLOR_WINDOW);
            FillRect(dc, &cell, b);
            if (fixed) {
                DrawEdge(dc, &cell, BDR_RAISEDINNER, BF_RECT);
            } else {
                RECT edge = cell;
                FrameRect(dc, &edge, GetSysColorBrush(COLOR_BTNFACE));
            }
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            std::wstring t = Widen(cells_[static_cast<size_t>(row) * cols_ + c]);
            RECT tr = cell;
            tr.left += 2;
            DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            x += widths_[c];
        }
    };
    int y = 0;
    for (int r = 0; r < FixedRows && r < rows_; ++r, y += DefaultRowHeight) drawRow(r, y);
    for (int r = top_; r < rows_ && y < client.bottom; ++r, y += DefaultRowHeight) drawRow(r, y);
    SelectObject(dc, old);
}

LRESULT TStringGrid::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN: {
        SetFocus();
        int px = static_cast<short>(LOWORD(lp)), py = static_cast<short>(HIWORD(lp));
        int fixedHeight = FixedRows * DefaultRowHeight;
        if (py < fixedHeight) return 0;
        int row = top_ + (py - fixedHeight) / DefaultRowHeight;
        int x = 0, col = -1;
        for (int c = 0; c < cols_; ++c) {
            if (px >= x && px < x + widths_[c]) col = c;
            x += widths_[c];
        }
        if (row < rows_ && col >= FixedCols) SelectCell(col, row);
        else if (row < rows_ && RowSelect) SelectCell(col_, row);
        return 0;
    }
    case WM_VSCROLL: {
        ScrollTo(VScrollTarget(wp, top_, VisibleRows()));
        return 0;
    }
    case WM_MOUSEWHEEL:
        ScrollTo(top_ - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_UP && row_ > FixedRows) SelectCell(col_, row_ - 1);
        if (wp == VK_DOWN && row_ < rows_ - 1) SelectCell(col_, row_ + 1);
        return 0;
    case WM_SIZE:
        UpdateScroll();
        break;
    default:
        break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

}  // namespace talvik
