// The debug output window and AddDebugLine.
#include "ui/uDebug.h"

#include "base/debugchannel.h"
#include "base/format.h"
#include "link/uLog.h"
#include "ui/fileUtil.h"

namespace talvik {

bool DebugTraceFromStart = false;
bool DebugModified = false;
bool DebugSaved = false;
std::string DebugFileTitle = "Untitled";
std::string DebugFileName;
TForm1* Form1 = nullptr;

void uDebugInitialization() { DebugChannel("Load uDebug"); }

TForm1::TForm1() {
    Name = "Form1";
    SetCaption("Debug Output");
    SetBounds(40, 140, 560, 420);
    SetClientSize(552, 390);
    Memo1 = new TMemo(this);
    Memo1->Name = "Memo1";
    Memo1->SetFont(TFont{"Courier New", 9});
    Memo1->SetReadOnly(true);
    Memo1->SetBounds(0, 0, 552, 350);
    Button1 = new TButton(this, "Clear");
    Button1->SetBounds(8, 358, 80, 25);
    btnSaveLog = new TButton(this, "Save");
    btnSaveLog->SetBounds(96, 358, 80, 25);
    Button2 = new TButton(this, "Close and Stop Debug");
    Button2->SetBounds(184, 358, 160, 25);
    Button3 = new TButton(this, "Close");
    Button3->SetBounds(352, 358, 80, 25);
    Button3->SetCancel(true);
    SaveDialog1.Filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
    SaveDialog1.DefaultExt = "txt";

    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnCloseQuery = [this](TForm* f, bool& can) { FormCloseQuery(f, can); };
    Button1->OnClick = [this](TControl* c) { Button1Click(c); };
    btnSaveLog->OnClick = [this](TControl* c) { btnSaveLogClick(c); };
    Button2->OnClick = [this](TControl* c) { Button2Click(c); };
    // "Close" (and Escape) hides the window and leaves tracing as it is.
    Button3->OnClick = [this](TControl*) { Close(); };
}

// Traces may still arrive after the window is gone (the link and the port outlive it at
// shut-down, and tests create the program several times): they must find no window.
TForm1::~TForm1() {
    if (Form1 == this) {
        Form1 = nullptr;
        SetDebugWindowSink({});
    }
}

void TForm1::FormCreate(TForm*) {
    DebugFileTitle = "Untitled";
    SetCaption("Untitled");
    DebugEnabled = DebugTraceFromStart;
    DebugModified = false;
    // The link's traces land in this window.
    SetDebugWindowSink([](const std::string& line) { AddDebugLine(line); });
    DebugChannel(Name);
}

void TForm1::FormActivate(TForm*) {
    if (!DebugTraceFromStart) DebugEnabled = false;
    DebugModified = false;
}

void TForm1::Button1Click(TControl*) {
    if (MessageDlg("Are you sure you want to clear all debug output in this window?", TMsgDlgType::mtConfirmation,
                   mbYes | mbNo) == TModalResult::mrYes)
        Memo1->Clear();
}

void TForm1::btnSaveLogClick(TControl*) {
    if (DebugSaved) {
        SaveDebugLog();
        return;
    }
    if (!SaveDialog1.Execute()) return;
    DebugFileName = SaveDialog1.FileName;
    auto slash = DebugFileName.find_last_of("\\/:");
    DebugFileTitle = slash == std::string::npos ? DebugFileName : DebugFileName.substr(slash + 1);
    SetCaption(DebugFileName);
    MessageDlg(DebugFileName, TMsgDlgType::mtInformation, mbOK);
    SaveDebugLog();
}

void TForm1::SaveDebugLog() {
    std::string text;
    for (const std::string& line : Memo1->Lines()) text += line + "\r\n";
    try {
        // Written whole beside the target first, so a failed save leaves the earlier file whole.
        WriteWholeFile(DebugFileName, text);
    } catch (const std::exception& e) {
        MessageDlg(Format("Error: %s", e.what()), TMsgDlgType::mtError, mbOK);
        return;
    }
    DebugSaved = true;
    DebugModified = false;
}

void TForm1::FormCloseQuery(TForm*, bool& canClose) {
    canClose = true;
    if (!DebugModified) return;
    switch (MessageDlg(Format("Save changes to %s?", DebugFileTitle.c_str()), TMsgDlgType::mtConfirmation,
                       mbYes | mbNo | mbCancel)) {
    case TModalResult::mrYes:
        btnSaveLogClick(btnSaveLog);
        break;
    case TModalResult::mrNo:
        break;
    default:
        canClose = false;
        DebugEnabled = true;
        break;
    }
}

void TForm1::Button2Click(TControl*) {
    DebugEnabled = false;
    DebugTraceFromStart = false;
    Close();
}

void AddDebugLine(const std::string& text) {
    if (!Form1) return;
    Form1->Memo1->Add(text);
    DebugModified = true;
}

}  // namespace talvik
