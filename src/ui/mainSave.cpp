// The main window's save, print and settings-file panels: the two tool buttons that open the
// save panel, saving the report (new file, append, overwrite), browsing for its name, printing,
// the viewer's two sources, and saving and loading the memory image as a settings file.
#include <windows.h>

#include "base/format.h"
#include "base/rtl.h"
#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/Readfile.h"
#include "ui/Settings.h"
#include "ui/fileUtil.h"
#include "ui/lang.h"
#include "ui/main.h"
#include "ui/reportFile.h"
#include "ui/reportsWin.h"
#include "ui/saveDialogs.h"
#include "ui/settingsFile.h"
#include "ui/uDebug.h"

namespace talvik {

namespace {

bool DirectoryExists(const std::string& dir) {
    const DWORD a = GetFileAttributesW(Widen(dir).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& name) {
    const DWORD a = GetFileAttributesW(Widen(name).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowViewer(const std::function<std::string()>& source) {
    if (!Readform) return;
    Readform->FileToShow = source;
    Readform->SetVisible(!Readform->Visible());
    if (Readform->Visible()) {
        SetForegroundWindow(Readform->Handle());
        // Activation fills it; should the system not activate it, it is filled all the same.
        if (GetActiveWindow() != Readform->Handle()) Readform->FormActivate(Readform);
    }
}

}  // namespace

// ---- the save panel

void Tmainform::ToolButton10Click() {
    Savepanel->SetVisible(!Savepanel->Visible());
    if (!Savepanel->Visible()) {
        qvsetpanel->Hide();
        return;
    }
    Savepanel->SetHeight(169);
    for (TControl* c : std::initializer_list<TControl*>{qvsetbutton, Savebutton, Readbutton, fileedit, btnSave})
        c->Show();
    Printbutton->Hide();
    Savepanel->SetHint(StatusTextOf(stSaveData));
    layoutsavepanel();
    Savepanel->BringToFront();
    SaveButtonAvailable();
}

void Tmainform::ToolButton11Click() {
    Savepanel->SetVisible(!Savepanel->Visible());
    if (!Savepanel->Visible()) {
        qvsetpanel->Hide();
        return;
    }
    Savepanel->SetHeight(127);
    for (TControl* c : std::initializer_list<TControl*>{qvsetbutton, Savebutton, Readbutton, fileedit, btnSave})
        c->Hide();
    qvsetpanel->Hide();
    Printbutton->Show();
    Printbutton->SetBounds(152, 18, 50, 40);
    Savepanel->SetHint(StatusTextOf(stPrintData));
    layoutsavepanel();
    Savepanel->BringToFront();
}

void Tmainform::layoutsavepanel() {
    TCheckBox* boxes[] = {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck};
    for (int i = 0; i < 4; ++i) boxes[i]->SetBounds(8, 16 + 28 * i, 135, 20);
    Savebutton->SetBounds(152, 9, 50, 39);
    Readbutton->SetBounds(152, 51, 50, 39);
    qvsetbutton->SetBounds(152, 93, 50, 27);
    fileedit->SetBounds(8, 132, 160, 24);
    btnSave->SetBounds(172, 132, 30, 24);
    // The settings-file panel's own buttons.
    setsavebbut->SetBounds(8, 8, 90, 46);
    setgetbbut->SetBounds(8, 58, 90, 46);
    setcancelbut->SetBounds(8, 108, 90, 30);
}

bool Tmainform::SaveGroupChosen(TCheckBox* box) const {
    if (!box->Checked() || !box->Enabled()) return false;
    if (box == Currsavecheck) return CurrentLoaded;
    if (box == Datasavecheck) return HistoryLoaded;
    if (box == Setsavecheck) return AnySettingsGroupLoaded();
    if (box == Calsavecheck) return CalibrationLoaded;
    return false;
}

bool Tmainform::AnySaveGroupChosen() const {
    for (TCheckBox* c : {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck})
        if (SaveGroupChosen(c)) return true;
    return false;
}

void Tmainform::SaveButtonAvailable() { Savebutton->SetEnabled(AnySaveGroupChosen()); }

void Tmainform::SavebuttonClick() {
    if (!AnySaveGroupChosen()) {
        ShowSaveMessage(SaveMessageKind::Information, "Nothing to save");
        return;
    }
    std::string dir = ExtractFileDir(SaveFileName);
    if (DebugEnabled) AddDebugLine(Format("SaveDir: %s", dir.c_str()));
    // A relative name, bare or with a folder part, lies under the report folder, where the
    // viewer looks for it too.
    if (!IsAbsolutePath(dir)) dir = ExtractFileDir(ReportPath(SaveFileName));
    SaveFileName = dir + ExtractFileName(SaveFileName);
    if (DebugEnabled) AddDebugLine(Format("SaveFileName: %s", SaveFileName.c_str()));
    if (!DirectoryExists(dir)) {
        ShowSaveMessage(SaveMessageKind::Warning, "Specified directory does not exist");
        return;
    }
    const std::string name = SaveFileName;
    bool append = false;
    if (FileExists(name)) {
        switch (AskFileAction()) {
        case FileAction::Append:
            // Only our own kind of file is added to: loading anything else as rich text and
            // saving it back would destroy it.
            if (!FileIsRichText(name)) {
                ShowSaveMessage(SaveMessageKind::Warning, NotRichTextMessage(name));
                return;
            }
            append = true;
            break;
        case FileAction::Overwrite: break;
        case FileAction::Cancel: return;
        }
    }
    Saveedit->Clear();
    if (append) Saveedit->LoadFromFile(name);
    RichEditReportSink sink(*Saveedit);
    buildreport(sink, ReportContextNow(), name);
    // Written whole through a temporary file: a failure, or a file marked read-only, leaves an
    // earlier report as it was.
    WriteWholeFile(name, Saveedit->Rtf());
}

void Tmainform::btnSaveClick() {
    TSaveDialog dlgSave;
    dlgSave.Filter = "QV Report (*.doc;*.rtf)|*.doc;*.rtf";
    dlgSave.DefaultExt = "doc";
    dlgSave.FileName = ReportPath(fileedit->Text());
    if (!dlgSave.Execute()) return;  // a cancelled choice saves nothing
    fileedit->SetText(dlgSave.FileName);
    SaveFileName = dlgSave.FileName;
    SavebuttonClick();
}

void Tmainform::PrintbuttonClick() {
    Saveedit->Clear();
    RichEditReportSink sink(*Saveedit);
    buildreport(sink, ReportContextNow(), SaveFileName);
    PrintWithDialog(*Saveedit, StatusTextOf(stPrintData));
}

void Tmainform::ReadbuttonClick() {
    ReadFromLogName = false;
    ShowViewer([this] { return ReportPath(fileedit->Text()); });
}

void Tmainform::LogreadClick() {
    ReadFromLogName = true;
    ShowViewer([this] { return ReportPath(logedit->Text()); });
}

// ---- the settings-file panel

void Tmainform::qvsetbuttonClick() {
    qvsetpanel->SetVisible(!qvsetpanel->Visible());
    if (qvsetpanel->Visible()) qvsetpanel->BringToFront();
}

void Tmainform::setcancelbutClick() { qvsetpanel->Hide(); }

void Tmainform::setsavebbutClick() {
    TSaveDialog dlg;
    dlg.DefaultExt = "stp";
    dlg.Filter = DialogTextOf(dtSettings, LanguageNumber) + " (*.stp)|*.stp";
    dlg.Title = DialogTextOf(dtSaveSettingsTitle, LanguageNumber);
    if (!dlg.Execute()) return;
    try {
        SaveSettingsFile(dlg.FileName);
    } catch (const std::exception& e) {
        // The panel stays open so another name can be tried; an older file is left whole.
        ShowSaveMessage(SaveMessageKind::Error, e.what());
        return;
    }
    qvsetpanel->Hide();
}

void Tmainform::setgetbbutClick() {
    // The link would store the bytes it receives over the loaded ones, and a programming run
    // would send a mixture of both.
    if (CommBusy || WriteBusy) {
        ShowSaveMessage(SaveMessageKind::Warning, SettingsFileText(sfBusy, LanguageNumber));
        return;
    }
    TOpenDialog dlg;
    dlg.Filter = DialogTextOf(dtSettings, LanguageNumber) + " (*.stp)|*.stp";
    dlg.Title = DialogTextOf(dtRetrieveSettingsTitle, LanguageNumber);
    if (!dlg.Execute()) return;
    // The run may have started while the dialog was open.
    if (CommBusy || WriteBusy) {
        ShowSaveMessage(SaveMessageKind::Warning, SettingsFileText(sfBusy, LanguageNumber));
        return;
    }
    // The file's settings count as loaded for the regulator addressed now.
    if (Link) Link->FollowRegulator();
    const SettingsLoad r = LoadSettingsFile(dlg.FileName, LanguageNumber);
    switch (r.result) {
    case SettingsLoadResult::Missing:
        if (SystemBeep) SystemBeep();
        return;
    case SettingsLoadResult::WrongSize:
    case SettingsLoadResult::NotARegulator:
    case SettingsLoadResult::ReadError:
        ShowSaveMessage(SaveMessageKind::Error, r.message);
        return;
    case SettingsLoadResult::Loaded: break;
    }
    // What the file holds of the regulator's RAM and history is not what the regulator shows now.
    Currsavecheck->SetEnabled(false);
    Datasavecheck->SetEnabled(false);
    qvsetpanel->Hide();
    Setsavecheck->SetEnabled(true);
    Calsavecheck->SetEnabled(true);
    SaveButtonAvailable();
    if (setform) {
        setform->qvbutton->SetEnabled(true);
        setform->qvbutton->SetDown(false);
    }
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

}  // namespace talvik
