// The masked-edit member of the extended control base family: a toolkit edit whose
// notifications reach overridable operations, with clipboard commands that can be switched off
// one by one and a beep on rejected input.
#pragma once

#include "controls/XcExControls.h"
#include "toolkit/stdctrls.h"

namespace talvik {

enum TXcClipboardCommand : unsigned { caCopy = 1, caCut = 2, caPaste = 4, caClear = 8, caUndo = 16 };
using TXcClipboardCommands = unsigned;
constexpr TXcClipboardCommands kAllClipboardCommands = caCopy | caCut | caPaste | caClear | caUndo;

class TXcExCustomMaskEdit : public TXcExWinControl<TEdit> {
public:
    explicit TXcExCustomMaskEdit(TWinControl* parent);

    TXcClipboardCommands ClipboardCommands() const { return clipboardCommands_; }
    virtual void SetClipboardCommands(TXcClipboardCommands c) { clipboardCommands_ = c; }
    bool BeepOnError() const { return beepOnError_; }
    virtual void SetBeepOnError(bool b) { beepOnError_ = b; }

    // The edit mask: "0" or "9" in every place takes that many digits and nothing else; any
    // other mask is kept and leaves the text free.
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask);

protected:
    TXcExCustomMaskEdit(TWinControl* parent, DWORD style);
    // The system beep when BeepOnError is set; descendants call it on rejected input.
    virtual void DoBeepOnError();
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    TXcClipboardCommands clipboardCommands_ = kAllClipboardCommands;
    bool beepOnError_ = true;
    std::string editMask_;
};

extern TUnitVersionRegistration XcExMaskUnit;

}  // namespace talvik
