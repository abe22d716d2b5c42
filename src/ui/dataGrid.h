// The grid of the data windows: a table of text cells with fixed columns and rows, colours of
// its own, cells its owner may draw, a selected cell that may also be none, an in-place editor
// that commits when it closes, and the mouse events the windows answer.
#pragma once

#include "toolkit/core.h"

namespace talvik {

class TDataGrid : public TWinControl {
public:
    TDataGrid(TWinControl* parent, int colCount, int rowCount, bool verticalScroll);
    ~TDataGrid() override;

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    // Keeps the texts of the rows that remain.
    void SetRowCount(int rows);
    int FixedCols = 1;
    int FixedRows = 1;
    int DefaultRowHeight = 24;
    int GridLineWidth = 1;
    COLORREF FixedColor = GetSysColor(COLOR_BTNFACE);
    bool EditingAllowed = false;

    void SetColWidth(int col, int width);
    int ColWidth(int col) const;

    std::string Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& s);

    // The selected cell; -1, -1 when none is.
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Asks OnSelectCell as a click does; a refused cell keeps the old selection.
    bool SelectCell(int col, int row);
    // Sets the selection without asking (-1, -1 clears it).
    void SetSelection(int col, int row);
    // First scrolling row shown.
    int TopRow() const { return FixedRows + scroll_; }

    // The in-place editor over the selected cell.
    bool EditorMode() const { return editing_; }
    void ShowEditor();
    // Closes the editor; the typed text goes to the cell and to OnSetEditText.
    void HideEditor();
    // Closes the editor and throws the typed text away.
    void CancelEditor();
    // The editor's text counts as changed even when it is not (a row whose change happened
    // when the editor opened).
    void ForceCommit() { editForce_ = true; }
    std::string EditorText() const;
    void SetEditorText(const std::string& s);
    HWND EditorHandle() const { return editor_; }

    RECT CellRect(int col, int row) const;
    // The cell under a client point; false outside every cell.
    bool MouseToCell(int x, int y, int& col, int& row) const;

    struct DrawState {
        bool fixed = false;
        bool selected = false;
        bool focused = false;
    };
    // Draws a cell in place of the grid's own drawing (the text is Cell(col, row)).
    std::function<void(TDataGrid*, HDC dc, int col, int row, const RECT& rect, DrawState state)> OnDrawCell;
    std::function<void(TDataGrid*, int col, int row, bool& canSelect)> OnSelectCell;
    // When the editor opens: the text it starts with (the cell's text unless changed).
    std::function<void(TDataGrid*, int col, int row, std::string& text)> OnGetEditText;
    // When the editor closes with a changed text.
    std::function<void(TDataGrid*, int col, int row, const std::string& text)> OnSetEditText;
    // When the editor closes without committing (Escape, CancelEditor).
    std::function<void(TDataGrid*, int col, int row)> OnCancelEdit;
    std::function<void(TDataGrid*, int x, int y)> OnMouseDown;
    std::function<void(TDataGrid*)> OnDblClick;
    // The mouse moved onto another cell (the hint of the cell under it may change).
    std::function<void(TDataGrid*, int col, int row)> OnMouseCell;

    // The grid's own drawing of a cell, for owners that draw some cells themselves.
    void DrawCellDefault(HDC dc, int col, int row, const RECT& rect, DrawState state);
    std::string HintAt(POINT pt) const override;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(HDC dc) override;

private:
    int VisibleRows() const;
    void UpdateScroll();
    void ScrollTo(int top);
    void MakeVisible(int row);
    void CloseEditor(bool commit);
    static LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    int cols_, rows_;
    bool vscroll_;
    std::vector<int> widths_;
    std::vector<std::string> cells_;
    int row_ = -1, col_ = -1, scroll_ = 0;
    HWND editor_ = nullptr;
    WNDPROC editorDefault_ = nullptr;
    int editCol_ = -1, editRow_ = -1;
    std::string editStart_;
    bool closing_ = false;
    bool editForce_ = false;
    bool editing_ = false;
    int hoverCol_ = -1, hoverRow_ = -1;
};

}  // namespace talvik
