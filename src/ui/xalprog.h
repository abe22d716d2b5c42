// The Xal accessory programming window: reads the accessory's 22-byte block (kind 11), shows
// its system voltage, baud rate, six thresholds and alarm delay with the checksum state, lets
// the operator edit them and starts the byte-by-byte write of the block.
#pragma once

#include "ui/current.h"
#include "ui/dataGrid.h"
#include "ui/xalBlock.h"

namespace talvik {

class Txalform : public TForm {
public:
    Txalform();

    TButton *Readxalbut, *Writexalbut, *Closebut;
    TDataLabel* Heading;
    TDataLabel* Checklab;
    TDataGrid* SGrid;

    // The value column of the grid, rows 1..9.
    XalTexts XalDisplayText;

    void Xaltodis();
    void Loaddata();
    void distoxal();
    void Loadcap();
    // Checklab's text on a background colour (the link's read error and write states).
    void ShowCheck(const std::string& Text, COLORREF Background);

    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void ReadxalbutClick();
    void WritexalbutClick();
    void ClosebutClick();
    void SGridSelectCell(int col, int row, bool& canSelect);
    void SGridSetEditText(int col, int row, const std::string& text);
    void SGridMouseMove(int col, int row);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

extern Txalform* xalform;

}  // namespace talvik
