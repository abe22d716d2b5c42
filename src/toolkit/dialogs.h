// Message boxes and the system's file and font dialogs. Each can be answered by a hook, so
// tests drive the windows without a person at the keyboard.
#pragma once

#include "toolkit/core.h"

namespace talvik {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

// A message box titled with the program title; returns the button pressed.
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons);

// When set, answers every MessageDlg instead of showing a box.
using MessageDlgHook = std::function<TModalResult(const std::string& text, TMsgDlgType type, unsigned buttons)>;
MessageDlgHook SetMessageDlgHook(MessageDlgHook hook);

class TSaveDialog {
public:
    virtual ~TSaveDialog() = default;
    std::string FileName;
    std::string Filter;      // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    std::string DefaultExt;  // without the dot
    std::string Title;
    // Runs the dialog; true with FileName set when the user chose a file.
    virtual bool Execute();
    // When set, answers Execute: return the chosen path, or nothing for Cancel.
    static std::function<std::optional<std::string>(TSaveDialog*)> Hook;

protected:
    bool Run(bool save);
};

class TOpenDialog : public TSaveDialog {
public:
    bool Execute() override;
};

class TFontDialog {
public:
    TFont Font;
    int MinFontSize = 8;
    int MaxFontSize = 14;
    bool Execute();
    // When set, answers Execute: return the chosen font, or nothing for Cancel.
    static std::function<std::optional<TFont>(TFontDialog*)> Hook;
};

}  // namespace talvik
