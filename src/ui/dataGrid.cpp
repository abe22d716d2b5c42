// The data windows' grid, drawn with GDI in a window of the toolkit's own class, with an EDIT
// control as its in-place editor.
#include "ui/dataGrid.h"

#include <commctrl.h>

#include <algorithm>

#include "base/rtl.h"
#include "toolkit/grids.h"

namespace talvik {

namespace {
const wchar_t kGridProp[] = L"TalvikDataGrid";
}

TDataGrid::TDataGrid(TWinControl* parent, int colCount, int rowCount, bool verticalScroll)
    : TWinControl(parent), cols_(colCount), rows_(rowCount), vscroll_(verticalScroll), widths_(colCount, 64),
      cells_(static_cast<size_t>(colCount) * rowCount) {
    width_ = 320;
    height_ = 120;
    color_ = GetSysColor(COLOR_WINDOW);
    CreateOwnWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | (verticalScroll ? WS_VSCROLL : 0) |
                        (visible_ ? WS_VISIBLE : 0),
                    WS_EX_CLIENTEDGE, parent->Handle(), "");
    RegisterTool();
    UpdateScroll();
}

TDataGrid::~TDataGrid() {
    if (editor_) {
        // The editor must not call back into a grid that is going away.
        SetWindowLongPtrW(editor_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editorDefault_));
        RemovePropW(editor_, kGridProp);
        DestroyWindow(editor_);
        editor_ = nullptr;
    }
}

void TDataGrid::SetRowCount(int rows) {
    if (rows < 0) throw ERangeError();
    if (EditorMode()) CloseEditor(false);
    cells_.resize(static_cast<size_t>(cols_) * rows);
    rows_ = rows;
    if (row_ >= rows_) SetSelection(-1, -1);
    scroll_ = std::clamp(scroll_, 0, std::max(0, rows_ - FixedRows - VisibleRows()));
    UpdateScroll();
    Invalidate();
}

void TDataGrid::SetColWidth(int col, int width) {
    At(widths_, col) = width;
    Invalidate();
}

int TDataGrid::ColWidth(int col) const { return At(widths_, col); }

std::string TDataGrid::Cell(int col, int row) const {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    return cells_[static_cast<size_t>(row) * cols_ + col];
}

void TDataGrid::SetCell(int col, int row, const std::string& s) {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    std::string& cell = cells_[static_cast<size_t>(row) * cols_ + col];
    if (cell == s) return;
    cell = s;
    RECT r = CellRect(col, row);
    if (hwnd_) InvalidateRect(hwnd_, &r, TRUE);
}

bool TDataGrid::SelectCell(int col, int row) {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    if (col < FixedCols || row < FixedRows) return false;
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, col, row, can);
    if (!can) return false;
    if (EditorMode() && (col != col_ || row != row_)) CloseEditor(true);
    SetSelection(col, row);
    return true;
}

void TDataGrid::SetSelection(int col, int row) {
    if (col >= 0 || row >= 0) {
        RangeCheck(col, 0, cols_ - 1);
        RangeCheck(row, 0, rows_ - 1);
    }
    col_ = col;
    row_ = row;
    if (row_ >= 0) MakeVisible(row_);
    Invalidate();
}

int TDataGrid::VisibleRows() const {
    RECT r{0, 0, width_, height_};
    if (hwnd_) GetClientRect(hwnd_, &r);
    const int step = DefaultRowHeight + GridLineWidth;
    return std::max(1, static_cast<int>(r.bottom - FixedRows * step) / step);
}

void TDataGrid::UpdateScroll() {
    if (!vscroll_ || !hwnd_) return;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, rows_ - FixedRows - 1);
    si.nPage = static_cast<UINT>(VisibleRows());
    si.nPos = scroll_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

void TDataGrid::ScrollTo(int top) {
    if (EditorMode()) CloseEditor(true);
    scroll_ = std::clamp(top, 0, std::max(0, rows_ - FixedRows - VisibleRows()));
    UpdateScroll();
    Invalidate();
}

void TDataGrid::MakeVisible(int row) {
    if (row < FixedRows) return;
    const int first = FixedRows + scroll_;
    if (row < first) ScrollTo(row - FixedRows);
    else if (row >= first + VisibleRows()) ScrollTo(row - FixedRows - VisibleRows() + 1);
}

RECT TDataGrid::CellRect(int col, int row) const {
    RangeCheck(col, 0, cols_ - 1);
    RangeCheck(row, 0, rows_ - 1);
    int x = 0;
    for (int c = 0; c < col; ++c) x += widths_[static_cast<size_t>(c)] + GridLineWidth;
    const int step = DefaultRowHeight + GridLineWidth;
    int y;
    if (row < FixedRows) {
        y = row * step;
    } else {
        const int shown = row - FixedRows - scroll_;
        // Rows scrolled off have no place on the screen.
        if (shown < 0) return RECT{0, 0, 0, 0};
        y = (FixedRows + shown) * step;
    }
    return RECT{x, y, x + widths_[static_cast<size_t>(col)], y + DefaultRowHeight};
}

bool TDataGrid::MouseToCell(int x, int y, int& col, int& row) const {
    col = row = -1;
    int left = 0;
    for (int c = 0; c < cols_; ++c) {
        const int w = widths_[static_cast<size_t>(c)] + GridLineWidth;
        if (x >= left && x < left + w) col = c;
        left += w;
    }
    const int step = DefaultRowHeight + GridLineWidth;
    if (y >= 0) {
        const int n = y / step;
        row = n < FixedRows ? n : n + scroll_;
    }
    if (col < 0 || row < 0 || row >= rows_) {
        col = row = -1;
        return false;
    }
    return true;
}

void TDataGrid::DrawCellDefault(HDC dc, int col, int row, const RECT& rect, DrawState state) {
    COLORREF fill = state.fixed ? FixedColor : state.selected ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_WINDOW);
    HBRUSH b = CreateSolidBrush(fill);
    FillRect(dc, &rect, b);
    DeleteObject(b);
    if (state.fixed) {
        RECT e = rect;
        DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
    }
    SetTextColor(dc, GetSysColor(state.selected && !state.fixed ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring t = Widen(Cell(col, row));
    RECT tr = rect;
    tr.left += 2;
    tr.top += 2;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void TDataGrid::Paint(HDC dc) {
    HFONT old = static_cast<HFONT>(SelectObject(dc, font_.Handle()));
    SetBkMode(dc, TRANSPARENT);
    RECT client;
    GetClientRect(hwnd_, &client);
    const bool focused = GetFocus() == hwnd_;
    auto drawRow = [&](int row) {
        for (int c = 0; c < cols_; ++c) {
            const RECT r = CellRect(c, row);
            if (r.right <= r.left) continue;
            DrawState st;
            st.fixed = c < FixedCols || row < FixedRows;
            st.selected = !st.fixed && row == row_ && c == col_;
            st.focused = st.selected && focused;
            if (OnDrawCell) OnDrawCell(this, dc, c, row, r, st);
            else DrawCellDefault(dc, c, row, r, st);
        }
    };
    for (int r = 0; r < FixedRows && r < rows_; ++r) drawRow(r);
    const int step = DefaultRowHeight + GridLineWidth;
    for (int r = FixedRows + scroll_, y = FixedRows * step; r < rows_ && y < client.bottom; ++r, y += step) drawRow(r);
    SelectObject(dc, old);
}

void TDataGrid::ShowEditor() {
    if (!EditingAllowed || col_ < FixedCols || row_ < FixedRows) return;
    if (EditorMode()) return;
    if (!editor_) {
        editor_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 10, 10, hwnd_, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!editor_) throw std::runtime_error("Cannot create the cell editor");
        SetPropW(editor_, kGridProp, this);
        editorDefault_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(editor_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TDataGrid::EditorProc)));
    }
    SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    editForce_ = false;
    std::string text = Cell(col_, row_);
    if (OnGetEditText) OnGetEditText(this, col_, row_, text);
    editCol_ = col_;
    editRow_ = row_;
    editStart_ = text;
    SetWindowTextW(editor_, Widen(text).c_str());
    const RECT r = CellRect(col_, row_);
    MoveWindow(editor_, r.left + 1, r.top + 3, r.right - r.left - 2, r.bottom - r.top - 4, TRUE);
    editing_ = true;
    ShowWindow(editor_, SW_SHOW);
    ::SetFocus(editor_);
    SendMessageW(editor_, EM_SETSEL, 0, -1);
}

std::string TDataGrid::EditorText() const {
    if (!editor_) return {};
    const int n = GetWindowTextLengthW(editor_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    w.resize(static_cast<size_t>(GetWindowTextW(editor_, w.data(), n + 1)));
    return Narrow(w);
}

void TDataGrid::SetEditorText(const std::string& s) {
    if (editor_) SetWindowTextW(editor_, Widen(s).c_str());
}

void TDataGrid::HideEditor() { CloseEditor(true); }
void TDataGrid::CancelEditor() { CloseEditor(false); }

void TDataGrid::CloseEditor(bool commit) {
    if (!EditorMode() || closing_) return;
    closing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{closing_};
    const std::string text = EditorText();
    const int col = editCol_, row = editRow_;
    // The editor is gone before the owner hears of the text: the commit may show a message.
    editing_ = false;
    ShowWindow(editor_, SW_HIDE);
    if (GetFocus() == editor_ || GetFocus() == nullptr) ::SetFocus(hwnd_);
    if (!commit) {
        if (OnCancelEdit && col >= 0 && row < rows_) OnCancelEdit(this, col, row);
        return;
    }
    if (col < 0 || row >= rows_) return;
    if (!editForce_ && text == editStart_ && text == Cell(col, row)) return;
    SetCell(col, row, text);
    if (OnSetEditText) OnSetEditText(this, col, row, text);
}

LRESULT CALLBACK TDataGrid::EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* grid = static_cast<TDataGrid*>(GetPropW(hwnd, kGridProp));
    if (!grid) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | CallWindowProcW(grid->editorDefault_, hwnd, msg, wp, lp);
        case WM_KEYDOWN:
            if (wp == VK_RETURN) {
                grid->HideEditor();
                return 0;
            }
            if (wp == VK_ESCAPE) {
                grid->CancelEditor();
                return 0;
            }
            if (wp == VK_UP || wp == VK_DOWN) {
                const int row = grid->row_ + (wp == VK_UP ? -1 : 1);
                grid->HideEditor();
                if (row >= grid->FixedRows && row < grid->rows_) grid->SelectCell(grid->col_, row);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == '\r' || wp == 27) return 0;  // handled on key down; no beep
            break;
        case WM_KILLFOCUS:
            CallWindowProcW(grid->editorDefault_, hwnd, msg, wp, lp);
            grid->HideEditor();
            return 0;
        default:
            break;
        }
        return CallWindowProcW(grid->editorDefault_, hwnd, msg, wp, lp);
    } catch (...) {
        Application.HandleCurrentException();
        return 0;
    }
}

std::string TDataGrid::HintAt(POINT pt) const {
    (void)pt;
    return Hint();
}

LRESULT TDataGrid::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        SetFocus();
        const int px = static_cast<short>(LOWORD(lp)), py = static_cast<short>(HIWORD(lp));
        int col, row;
        if (msg == WM_LBUTTONDOWN && MouseToCell(px, py, col, row) && col >= FixedCols && row >= FixedRows &&
            (col != col_ || row != row_))
            SelectCell(col, row);
        if (OnMouseDown) OnMouseDown(this, px, py);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (OnDblClick) OnDblClick(this);
        return 0;
    case WM_MOUSEMOVE: {
        int col, row;
        MouseToCell(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), col, row);
        if (col != hoverCol_ || row != hoverRow_) {
            hoverCol_ = col;
            hoverRow_ = row;
            // A new cell may carry another hint: the tip closes and shows again for it.
            SendMessageW(Application.TooltipWindow(), TTM_POP, 0, 0);
            if (OnMouseCell) OnMouseCell(this, col, row);
        }
        break;
    }
    case WM_VSCROLL: {
        ScrollTo(VScrollTarget(wp, scroll_, VisibleRows()));
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (vscroll_) ScrollTo(scroll_ - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        if (row_ < 0) return 0;
        if (wp == VK_UP && row_ > FixedRows) SelectCell(col_, row_ - 1);
        if (wp == VK_DOWN && row_ < rows_ - 1) SelectCell(col_, row_ + 1);
        if (wp == VK_LEFT && col_ > FixedCols) SelectCell(col_ - 1, row_);
        if (wp == VK_RIGHT && col_ < cols_ - 1) SelectCell(col_ + 1, row_);
        if (wp == VK_F2 || wp == VK_RETURN) ShowEditor();
        return 0;
    case WM_CHAR:
        // Typing on a selected cell opens the editor with what was typed.
        if (EditingAllowed && wp >= 32 && row_ >= FixedRows && col_ >= FixedCols) {
            ShowEditor();
            if (EditorMode()) {
                const wchar_t c[2] = {static_cast<wchar_t>(wp), 0};
                SetWindowTextW(editor_, c);
                SendMessageW(editor_, EM_SETSEL, 1, 1);
            }
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_SIZE:
        UpdateScroll();
        break;
    default:
        break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

}  // namespace talvik
