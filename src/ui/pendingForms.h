// Windows of the program that are built elsewhere: until each arrives, it is an empty form
// with its caption, so the start-up order and the tool buttons that show them are in place.
#pragma once

#include "toolkit/core.h"
#include "ui/Datadisp.h"
#include "ui/Settings.h"
#include "ui/current.h"
#include "ui/xalprog.h"
#include "ui/uOptions.h"

namespace talvik {

class TPendingForm : public TForm {
public:
    TPendingForm(const char* name, const char* caption);
};

class TReadform : public TPendingForm {
public:
    TReadform() : TPendingForm("Readform", "View") {}
};

extern TReadform* Readform;

}  // namespace talvik
