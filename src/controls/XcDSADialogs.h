// Message boxes built at run time: an icon, a word-wrapped message, a row of buttons with any
// captions and results, an optional "don't show again" check box and an optional countdown
// that closes the box by itself. The controls come from the control engine; Ctrl+C copies
// the box's text to the clipboard.
//
//   int r = ShowMessageDialog("Nothing to save", dkInformation, {dbOK});            // 1
//   int r = ShowCustomButtonDialog("Save File Action", "File already exists...", dkInformation,
//                                  {"Append", "Overwrite", "Cancel"}, {1, 3, 2});  // 1, 3 or 2
#pragma once

#include <windows.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/XcComponent.h"
#include "controls/XcDSADialogsText.h"

namespace talvik {

class TXcCustomDynControlEngine;

// The box. Its controls are named "Panel", "Image", "Message", "Button0".., "DontShowAgain"
// and "Countdown"; Components() lists them in the order they were made.
class TDSAMessageForm : public TXcForm {
public:
    TDSAMessageForm();
    ~TDSAMessageForm() override;

    // Seconds left before the box closes itself (0: it does not).
    int Timeout = 0;
    std::unique_ptr<TTimer> Timer;
    // The countdown line while it is shown, else null.
    TControl* CountdownLabel = nullptr;
    int HelpContext = 0;

    const std::vector<TControl*>& Components() const { return components_; }
    TControl* FindComponent(const std::string& name) const;
    void AddComponent(TControl* c) { components_.push_back(c); }
    // Keys and clicks that reach the control are seen by the box first.
    void Watch(TControl* c);

    // One tick of the countdown (the timer calls it every second).
    void TimerTick();
    // A key or mouse button: the countdown stops and its line goes; Ctrl+C copies the text.
    void KeyDown(WPARAM key, bool ctrlOnly);
    void MouseDown();
    // Puts caption, message and button captions on the clipboard.
    void CopyToClipboard();
    // The help button: stops the countdown and asks for help on the box's help context.
    void HelpClick();

    TModalResult ShowModal() override;

protected:
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void CancelAutoClose();
    static LRESULT CALLBACK ChildProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    std::vector<TControl*> components_;
};

// What the help button asks for; nothing happens while it is not set.
extern std::function<void(int helpContext)> DialogHelpHandler;

constexpr int kLastButton = INT_MAX;

// The box not yet shown. `icon` may be null. A helpButton of kLastButton means the last one.
// The caller frees the form (Free()).
TDSAMessageForm* BuildMessageForm(const std::string& caption, const std::string& msg, HICON icon,
                                  const std::vector<std::string>& buttons, const std::vector<int>& results,
                                  int helpCtx, const std::string& checkCaption, TDialogCenter center, int timeout,
                                  int defaultButton, int cancelButton, int helpButton,
                                  TXcCustomDynControlEngine* engine = nullptr);

// Shows a box of custom buttons and answers the result of the button pressed (Enter: the
// default button's, Escape: the cancel button's). A positive timeout shows a countdown line
// and presses the default button at its end (or closes the box, answering 2); a negative one
// does the same silently.
int ShowCustomButtonDialog(const std::string& caption, const std::string& msg, TDialogKind kind,
                           const std::vector<std::string>& buttons, const std::vector<int>& results,
                           int helpCtx = 0, TDialogCenter center = dcScreen, int timeout = 0,
                           int defaultButton = 0, int cancelButton = -1, int helpButton = -1,
                           TXcCustomDynControlEngine* engine = nullptr);

// Shows a box of standard buttons titled after its kind; dbDialogChooses lets the box pick
// the default (OK, else Yes, else Retry) and cancel (Cancel, else No, else OK) buttons.
int ShowMessageDialog(const std::string& msg, TDialogKind kind, TDialogButtons buttons, int helpCtx = 0,
                      TDialogCenter center = dcScreen, int timeout = 0, TDialogButton defaultButton = dbDialogChooses,
                      TDialogButton cancelButton = dbDialogChooses, TDialogButton helpButton = dbHelp,
                      TXcCustomDynControlEngine* engine = nullptr);

// When set, answers every box instead of showing it: it gets the built box (texts, buttons,
// default and cancel) and returns the result. Tests of the windows that ask use it.
using TMessageDialogHook = std::function<int(TDSAMessageForm* box)>;
TMessageDialogHook SetMessageDialogHook(TMessageDialogHook hook);

extern TUnitVersionRegistration XcDSADialogsUnit;

}  // namespace talvik
