// Clicking and typing into a data grid's cells as a user does, for the window tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/dataGrid.h"

namespace talvik::test {

inline void MouseDown(TControl* c, int x, int y) {
    SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(c->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

inline void ClickCell(TDataGrid* g, int col, int row) {
    const RECT r = g->CellRect(col, row);
    MouseDown(g, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Types into a cell as the keyboard would: the first key opens the editor, Enter commits.
inline void TypeIntoCell(TDataGrid* g, int col, int row, const std::string& text) {
    ClickCell(g, col, row);
    ASSERT_EQ(g->Col(), col);
    ASSERT_EQ(g->Row(), row);
    if (text.empty()) {
        SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
        SetWindowTextW(g->EditorHandle(), L"");
    } else {
        SendMessageW(g->Handle(), WM_CHAR, static_cast<WPARAM>(text[0]), 0);
        for (size_t i = 1; i < text.size(); ++i)
            SendMessageW(g->EditorHandle(), WM_CHAR, static_cast<WPARAM>(text[i]), 0);
    }
    ASSERT_TRUE(g->EditorMode());
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_FALSE(g->EditorMode());
}

}  // namespace talvik::test
