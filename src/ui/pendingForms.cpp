// The placeholder windows (see pendingForms.h).
#include "ui/pendingForms.h"

#include "toolkit/stdctrls.h"

namespace talvik {

TOptionsForm* OptionsForm = nullptr;

TPendingForm::TPendingForm(const char* name, const char* caption) {
    Name = name;
    SetCaption(caption);
    SetBounds(60, 140, 400, 200);
}

TOptionsForm::TOptionsForm() : TPendingForm("OptionsForm", "Options") {
    // Shown modally from the tools menu: it needs a way to close.
    auto* ok = new TButton(this, "OK");
    ok->SetBounds(300, 130, 75, 25);
    ok->ModalResult = TModalResult::mrOk;
}

}  // namespace talvik
