// Message boxes and the system's file and font dialogs. Each can be answered by a hook, so
// tests drive the windows without a person at the keyboard.
#pragma once

#include "toolkit/core.h"

namespace talvik {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

// A message box titled with the program title; returns the button pressed.
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons);

// The same box, whose answer is acted on the moment a button is pressed, before the box goes
// (taking a box down can hold the window events for a while: about two seconds under Wine
// without a window manager). OnPress returns false to hold the press back; it is pressed again
// shortly after, and again, until OnPress takes it.
using MessageDlgPress = std::function<bool(TModalResult pressed)>;
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, const MessageDlgPress& OnPress);

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

// The system's print dialog: the user chooses a printer (and its settings) for one job.
class TPrintDialog {
public:
    TPrintDialog() = default;
    TPrintDialog(const TPrintDialog&) = delete;
    TPrintDialog& operator=(const TPrintDialog&) = delete;
    ~TPrintDialog();
    // Runs the dialog; true with the chosen printer's name and a device context for it.
    bool Execute();
    std::string PrinterName;
    // The chosen printer's device context; the caller owns it after taking it.
    HDC TakeDC();
    // When set, answers Execute: return the printer's name, or nothing for Cancel. The device
    // context is then made for that printer as the dialog would make it.
    static std::function<std::optional<std::string>(TPrintDialog*)> Hook;

private:
    HDC dc_ = nullptr;
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
