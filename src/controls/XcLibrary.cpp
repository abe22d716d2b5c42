// The library's start-up sequence.
#include "controls/XcLibrary.h"

#include <windows.h>

#include "controls/XcComCtrls.h"
#include "controls/XcComponent.h"
#include "controls/XcDSADialogs.h"
#include "controls/XcDynControlEngineVCL.h"
#include "controls/XcDynControlEngineTools.h"
#include "controls/XcExComCtrls.h"
#include "controls/XcExControls.h"
#include "controls/XcExForms.h"
#include "controls/XcExMask.h"
#include "controls/XcSpin.h"
#include "controls/XcThemes.h"
#include "controls/XcTypes.h"
#include "controls/XcXCUUtils.h"
#include "controls/XcuFileUtils.h"
#include "controls/XcuStrings.h"
#include "controls/XcuSysInfo.h"
#include "controls/XcuSysUtils.h"
#include "controls/XcuUnitVersioning.h"

namespace talvik {

namespace {

bool initialized = false;

void LoadFormatSettings() {
    wchar_t buf[8] = {};
    TXcFormatSettings& f = XcFormatSettings();
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 1 && buf[0] < 128)
        f.DecimalSeparator = static_cast<char>(buf[0]);
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, 8) > 1 && buf[0] < 128)
        f.ThousandSeparator = static_cast<char>(buf[0]);
}

// The library's units in their initialisation order, each with what its start and end do.
struct Unit {
    TUnitVersionRegistration* Registration;
    void (*Start)();
    void (*Stop)();
};

const Unit kUnits[] = {
    {&XcuUnitVersioningUnit, nullptr, nullptr},
    {&XcTypesUnit, nullptr, nullptr},
    {&XcuStringsUnit, LoadCharTables, nullptr},
    {&XcuSysInfoUnit, LoadSystemInfo, nullptr},
    {&XcuFileUtilsUnit, nullptr, nullptr},
    {&XcuSysUtilsUnit, nullptr, nullptr},
    {&XcThemesUnit, PatchPrintClientHandler, UnpatchPrintClientHandler},
    {&XcExControlsUnit, nullptr, nullptr},
    {&XcExFormsUnit, nullptr, nullptr},
    {&XcComponentUnit, nullptr, nullptr},
    {&XcDynControlEngineIntfUnit, nullptr, nullptr},
    {&XcDynControlEngineToolsUnit, nullptr, nullptr},
    {&XcXCUUtilsUnit, LoadFormatSettings, nullptr},
    {&XcDynControlEngineVCLUnit, CreateDefaultDynControlEngine, FreeDefaultDynControlEngine},
    {&XcDynControlEngineUnit, nullptr, nullptr},
    {&XcDSADialogsUnit, nullptr, nullptr},
    {&XcExMaskUnit, nullptr, nullptr},
    {&XcSpinUnit, nullptr, nullptr},
    {&XcExComCtrlsUnit, nullptr, nullptr},
    {&XcComCtrlsUnit, nullptr, nullptr},
};

}  // namespace

void InitializeControlsLibrary() {
    if (initialized) return;
    initialized = true;
    for (const Unit& u : kUnits) {
        u.Registration->Initialize();
        if (u.Start) u.Start();
    }
}

void FinalizeControlsLibrary() {
    if (!initialized) return;
    initialized = false;
    for (size_t i = std::size(kUnits); i-- > 0;) {
        if (kUnits[i].Stop) kUnits[i].Stop();
        kUnits[i].Registration->Finalize();
    }
    UnitVersioningAccess().Finalize();
}

bool ControlsLibraryInitialized() { return initialized; }

}  // namespace talvik
