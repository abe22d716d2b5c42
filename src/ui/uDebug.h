// The debug output window: trace lines of the link and of a few operator actions, which the
// operator can clear and save to a text file.
#pragma once

#include <string>

#include "toolkit/comctrls.h"
#include "link/uVar.h"
#include "toolkit/dialogs.h"

namespace talvik {

// DebugEnabled (trace writers add lines only while it is set) lives with the link's state.
// Started with "-debug": tracing into the window is on from the start and stays on when the
// window is shown, until "Close and Stop Debug".
extern bool DebugTraceFromStart;
extern bool DebugModified;   // the memo holds lines not yet saved
extern bool DebugSaved;      // saved once: later saves go to the same file without asking
extern std::string DebugFileTitle;
extern std::string DebugFileName;

class TForm1 : public TForm {
public:
    TForm1();
    ~TForm1() override;
    TMemo* Memo1;
    TButton* Button1;      // "Clear"
    TButton* btnSaveLog;   // "Save"
    TButton* Button2;      // "Close and Stop Debug"
    TButton* Button3;      // "Close"
    TSaveDialog SaveDialog1;

    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void FormCloseQuery(TForm*, bool& canClose);
    void Button1Click(TControl*);
    void btnSaveLogClick(TControl*);
    void Button2Click(TControl*);
    void SaveDebugLog();
};

extern TForm1* Form1;

// Appends one line to the debug window. Callers test DebugEnabled first.
void AddDebugLine(const std::string& text);

// Writes the unit's load line to the debug channel.
void uDebugInitialization();

}  // namespace talvik
