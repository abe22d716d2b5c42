// Start-up of the program (see talvikProgram.h).
#include "ui/talvikProgram.h"

#include "controls/XcLibrary.h"
#include "link/qvEquates.h"
#include "link/qvUtility.h"
#include "toolkit/core.h"
#include "ui/helpwin.h"
#include "ui/main.h"
#include "ui/allForms.h"
#include "ui/uDebug.h"

namespace talvik {

void StartProgram() {
    LoadqvEquates();
    LoadqvUtility();
    mainInitialization();
    helpwinInitialization();
    uDebugInitialization();
    InitializeControlsLibrary();
    Application.Initialize();
    Application.Title = "TALVIK";
    Application.CreateForm(mainform);
    Application.CreateForm(setform);
    Application.CreateForm(Currentform);
    Application.CreateForm(graphform);
    Application.CreateForm(helpform);
    Application.CreateForm(Readform);
    Application.CreateForm(xalform);
    Application.CreateForm(Form1);
    Application.CreateForm(OptionsForm);
}

}  // namespace talvik
