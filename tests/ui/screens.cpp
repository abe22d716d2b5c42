// Shows the main window for screenshots: "screens.exe <language> [panel...]" starts the
// program's windows with a private registry key, picks the language, opens the named panels
// (exit, lang, com, dial, book, log, save, print, qvset, view, single, site, hex, options, help,
// settings; "chinese" then switches to Chinese with those windows open; "callup" first marks a
// call as being dialled, as the port panel then shows it),
// shows one of the save panel's dialogs (nothing, nodir, exists, notrtf, printdlg, browse), or
// presses the current-data button
// ("current": a read from the regulator on the direct port), and runs for the given seconds
// ("-seconds N", default 10) or until it is closed.
#include <windows.h>

#include <string>

#include "base/format.h"
#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/Readfile.h"
#include "ui/helpwin.h"
#include "ui/reportFile.h"
#include "ui/reportsWin.h"
#include "ui/saveDialogs.h"
#include "ui/lang.h"
#include "ui/main.h"
#include "ui/talvikProgram.h"
#include "ui/uDebug.h"
#include "ui/uOptions.h"

using namespace talvik;

int main(int argc, char** argv) {
    Tmainform::RegistryKeyPath = "Software\\Corvanel\\TALVIK-screens";
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    bool debug = false;
    int seconds = 10;
    for (size_t i = 0; i < args.size(); ++i) {
        debug = debug || args[i] == "-debug";
        if (args[i] == "-seconds" && i + 1 < args.size()) seconds = StrToIntDef(args[i + 1], 10);
    }
    Tmainform::ArgsOverride = debug ? std::vector<std::string>{"-debug"} : std::vector<std::string>{};
    StartProgram();
    int lang = args.empty() ? 0 : StrToIntDef(args[0], 0);
    TRadioButton* radios[] = {mainform->englishselect, mainform->frenchselect, mainform->chineseselect,
                              mainform->germanselect};
    if (lang == 1) {
        LanguageNumber = 1;
        mainform->setcaptions();
    } else {
        radios[lang]->SetChecked(true);
    }
    mainform->Show();
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& p = args[i];
        if (p == "callup") {
            CallEnded = false;
            Dialling = true;
            mainform->UpdateCallControls();
        }
        if (p == "chinese") radios[2]->SetChecked(true);
        if (p == "exit") mainform->ToolButton1Click();
        if (p == "lang") mainform->ToolButton2Click();
        if (p == "com") mainform->ToolButton8Click();
        if (p == "dial") mainform->ToolButton9Click();
        if (p == "book") mainform->bookbtnClick();
        if (p == "log") mainform->ToolButton12Click();
        if (p == "save") mainform->ToolButton10Click();
        if (p == "print") mainform->ToolButton11Click();
        if (p == "qvset") {
            mainform->ToolButton10Click();
            mainform->qvsetbuttonClick();
        }
        if (p == "view") mainform->ReadbuttonClick();
        if (p == "nothing") ShowSaveMessage(SaveMessageKind::Information, "Nothing to save");
        if (p == "nodir") ShowSaveMessage(SaveMessageKind::Warning, "Specified directory does not exist");
        if (p == "exists") AskFileAction();
        if (p == "notrtf") ShowSaveMessage(SaveMessageKind::Warning, NotRichTextMessage("C:\\QV\\NOTES.DOC"));
        if (p == "printdlg") PrintWithDialog(*mainform->Saveedit, "Print Data");
        if (p == "browse") mainform->btnSaveClick();
        if (p == "single") mainform->DisplaySingleCommandWindow();
        if (p == "site") {  // site mode chosen from the command list, and the site panel
            mainform->sendcombo->SetItemIndex(7);
            mainform->sendcomboChange();
            mainform->sitebuttonClick();
        }
        if (p == "hex" && OptionsForm) {
            OptionsForm->grpSingleCommandNumberKind->SetItemIndex(1);
            OptionsForm->btnOKClick();
            mainform->sendcombo->SetItemIndex(3);
            mainform->sendcomboChange();
        }
        if (p == "help") mainform->ToolButton3Click();
        if (p == "settings") mainform->ToolButton6Click();
        if (p == "status") mainform->ShowStatus(StatusTextOf(stPortSetException));
        if (p == "current") {
            mainform->Timer1Timer();  // the first tick lifts the start-up guard
            mainform->ToolButton4Click();
        }
    }
    TTimer options;
    options.SetEnabled(false);
    options.SetInterval(500);
    options.OnTimer = [](TTimer* t) {
        t->SetEnabled(false);
        if (OptionsForm) OptionsForm->XcTreeView1->SetItemIndex(1);  // the page with the choice
        Options1Click();
    };
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == "options") options.SetEnabled(true);
    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    Application.Run();
    return 0;
}
