// The viewer window (TReadform): shows a saved report or the periodic log as rich text, prints
// it, and says so in its own text area when the file is missing. It is filled afresh each time
// it becomes active, from the name its source gives at that moment.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "toolkit/comctrls.h"
#include "toolkit/stdctrls.h"
#include "ui/lang.h"

namespace talvik {

// The viewer's per-language texts.
enum ReadformRow : int {
    rfDataInFile = 1, rfViewDataInFile, rfNameOfDataFileShowing, rfPrintFile, rfCloseWindow, rfFileMissing,
    rfPrintOut
};
extern const std::array<LangRow, 7> ReadformText;
std::string ReadformTextOf(int row, int language);

class TReadform : public TForm {
public:
    TReadform();

    TPanel* Panel1;
    TBitBtn* BitBtn1;  // print
    TBitBtn* BitBtn2;  // close
    TRichEdit* Readedit;
    TLabel* filelab;

    // The file to show, as the full path it is read at (set by whoever opens the viewer).
    std::function<std::string()> FileToShow;

    void FormActivate(TForm*);
    void BitBtn1Click();
    void BitBtn2Click();
    // The system beep of a missing file; tests count it.
    static std::function<void()> ViewerBeep;

private:
    TImageList glyphs_{39, 33};
};

extern TReadform* Readform;

}  // namespace talvik
