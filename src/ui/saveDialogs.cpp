// The save panel's messages (see saveDialogs.h), shown as system message boxes whose buttons
// carry the program's own captions.
#include "ui/saveDialogs.h"

#include <windows.h>

#include "toolkit/core.h"
#include "ui/lang.h"

namespace talvik {

namespace {

SaveDialogHook& Hook() {
    static SaveDialogHook hook;
    return hook;
}

// The question's buttons are renamed while the box is being created.
HHOOK g_cbt = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        SetDlgItemTextW(box, IDYES, Widen(SaveFileAnswer[0]).c_str());
        SetDlgItemTextW(box, IDNO, Widen(SaveFileAnswer[1]).c_str());
        SetDlgItemTextW(box, IDCANCEL, Widen(SaveFileAnswer[2]).c_str());
        UnhookWindowsHookEx(g_cbt);
        g_cbt = nullptr;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

HWND Owner() { return Application.MainForm ? Application.MainForm->Handle() : nullptr; }

UINT IconOf(SaveMessageKind kind) {
    switch (kind) {
    case SaveMessageKind::Warning: return MB_ICONWARNING;
    case SaveMessageKind::Error: return MB_ICONERROR;
    default: return MB_ICONINFORMATION;
    }
}

}  // namespace

SaveDialogHook SetSaveDialogHook(SaveDialogHook hook) {
    SaveDialogHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

void ShowSaveMessage(SaveMessageKind kind, const std::string& text) {
    if (Hook()) {
        Hook()({kind, {}, text, false});
        return;
    }
    MessageBoxW(Owner(), Widen(text).c_str(), Widen(Application.Title).c_str(), MB_OK | IconOf(kind));
}

FileAction AskFileAction() {
    const std::string caption = "Save File Action";
    const std::string text = "File already exists...";
    int answer;
    if (Hook()) {
        answer = Hook()({SaveMessageKind::Information, caption, text, true});
    } else {
        g_cbt = SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId());
        const int r = MessageBoxW(Owner(), Widen(text).c_str(), Widen(caption).c_str(),
                                  MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON1);
        if (g_cbt) {
            UnhookWindowsHookEx(g_cbt);
            g_cbt = nullptr;
        }
        answer = r == IDYES ? 1 : r == IDNO ? 3 : 2;
    }
    if (answer == 1) return FileAction::Append;
    if (answer == 3) return FileAction::Overwrite;
    return FileAction::Cancel;  // Cancel, Escape or the box closed
}

}  // namespace talvik
