// A modal dialog built from an in-memory template: the library's two small dialogs (port and
// telephony device selection) need no resource script. Sizes are in dialog units; the dialogs
// place their items in pixels when they start.
#pragma once

#include <windows.h>

#include <vector>

namespace talvik {

class TDialogTemplate {
public:
    TDialogTemplate(const wchar_t* Caption, short Cx, short Cy);
    // Cls is the predefined class atom (0x0080 button, 0x0082 static, 0x0085 combo box).
    void Add(DWORD Style, WORD Id, WORD Cls, const wchar_t* Text);
    INT_PTR Run(DLGPROC Proc, LPARAM Param);

private:
    std::vector<WORD> t_;
    WORD count_ = 0;
};

}  // namespace talvik
