// The placeholder windows (see pendingForms.h).
#include "ui/pendingForms.h"

#include "toolkit/stdctrls.h"

namespace talvik {

TReadform* Readform = nullptr;

TPendingForm::TPendingForm(const char* name, const char* caption) {
    Name = name;
    SetCaption(caption);
    SetBounds(60, 140, 400, 200);
}

}  // namespace talvik
