// The main window: building and laying out its bars and panels, start-up (FormCreate) and
// shut-down, the tool buttons, languages and fonts, the registry settings and the tick.
#include "ui/main.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "ui/helpwin.h"
#include "ui/langLink.h"
#include "ui/lang.h"
#include "ui/mainImages.h"
#include "ui/allForms.h"
#include "ui/fileUtil.h"
#include "ui/formsLink.h"
#include "ui/uDebug.h"
#include "ui/uOptions.h"
#include "ui/singleCommand.h"
#include "ui/uRegistry_win32.h"
#include "ui/uVersionInfo.h"
#include "ui/reportFile.h"
#include "ui/reportsWin.h"
#include "ui/settingsFile.h"
#include "ui/Settings.h"
#include "toolkit/dialogs.h"
#include "link/qvEquates.h"
#include "link/qvPort_win32.h"
#include "link/qvRegistry_win32.h"
#include "link/qvUtility.h"
#include "link/uLog.h"
#include "link/uVar.h"
#include "ui/mainLink.h"
#include "ui/mainTimer_win32.h"
#include "serial/KsWin32.h"

namespace talvik {

Tmainform* mainform = nullptr;

void mainInitialization() { DebugChannel("Load main"); }

namespace {

constexpr int kStatusBarWidth = 632;
constexpr int kStatusHintWidth = 150;

// The tick's view of the machine and of the main window.
class MainTimerHost : public TimerHost {
public:
    explicit MainTimerHost(Tmainform* f) : f_(f) {}
    TimerNow Now() override { return SystemTimerNow(); }
    void SetClockText(const std::string& text) override { f_->Statusb->SetPanelText(1, text); }
    void comstatusupdate() override { f_->comstatusupdate(); }
    bool SampleChecked() override { return f_->Samplecheck->Checked(); }
    std::int32_t RateValue() override { return f_->rateedit->Value(); }
    void SetRateEnabled(bool enabled) override { f_->rateedit->SetEnabled(enabled); }
    void SetWaitTimeText(const std::string& text) override { f_->Waittimelab->SetCaption(text); }
    bool DialupChecked() override { return f_->dialupcheck->Checked(); }
    void HangupClick() override { f_->HangupClick(); }
    void DialupForLog() override { f_->dialup("log"); }
    bool LogCallUp() override { return f_->LogCall; }
    bool CallRetrying() override { return f_->tapi1 && f_->tapi1->RetryIsPending(); }
    void Getdata(std::int32_t kind) override { f_->Getdata("TTimer", kind); }
    // The link's own watchdog also releases a write or history run that got no further.
    void BusyWatchdogTick(TimerVars& v) override {
        if (f_->Link)
            f_->Link->BusyWatchdogTick();
        else
            TimerHost::BusyWatchdogTick(v);
    }
    // Both logs lie in the report folder unless named with a full path.
    std::string LogFileName() override { return ReportPath(f_->logedit->Text()); }
    std::string CsvFileName() override { return ReportPath(LogCsvFileName); }
    bool FileExists(const std::string& name) override {
        DWORD a = GetFileAttributesW(Widen(name).c_str());
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool FolderExists(const std::string& folder) override {
        DWORD a = GetFileAttributesW(Widen(folder).c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool IsRichTextFile(const std::string& name) override { return FileIsRichText(name); }
    std::int64_t FreeSpace(const std::string& name) override { return DriveFreeSpace(name); }
    void BuildLogRecord(const std::string& name, bool loadExisting) override {
        BuildLogRecordIn(*f_->Saveedit, name, loadExisting, f_->ReportContextNow());
    }
    void SaveLogRecord(const std::string& name) override { WriteWholeFile(name, f_->Saveedit->Rtf()); }
    void AppendCsvRow() override { AppendLogCsvRow(); }
    void LogWriteFailed(const std::string& message) override {
        DebugChannel("log write failed: " + message);
        // The box is modal: the tick runs on under it, and each period whose write fails too
        // would put up one more.
        if (failureShown_) return;
        failureShown_ = true;
        Application.HandleException(Exception(message));
        failureShown_ = false;
    }
    void Beep() override {
        if (Tmainform::SystemBeep) Tmainform::SystemBeep();
    }

private:
    Tmainform* f_;
    bool failureShown_ = false;
};

TPortDirection PortDirectionOf(TUpDown::Direction d) {
    switch (d) {
    case TUpDown::Direction::Up: return TPortDirection::Up;
    case TUpDown::Direction::Down: return TPortDirection::Down;
    case TUpDown::Direction::None: break;
    }
    return TPortDirection::None;
}

void Toggle(TControl* c) { c->SetVisible(!c->Visible()); }

void Toggle(TForm* f) { f->SetVisible(!f->Visible()); }

}  // namespace

std::optional<std::vector<std::string>> Tmainform::ArgsOverride;
std::function<void()> Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
std::string Tmainform::RegistryKeyPath = kRegistryKey;

bool IsDebugSwitch(const std::vector<std::string>& args) {
    return !args.empty() && LowerCase(args[0]) == "-debug";
}

std::vector<std::string> Tmainform::CommandLineArgs() {
    if (ArgsOverride) return *ArgsOverride;
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) args.push_back(Narrow(argv[i]));
    if (argv) LocalFree(argv);
    return args;
}

Tmainform::Tmainform()
    : timerVars_{StartupPending, CommBusy,       BusyWatchdog, HangupRequested, DialCountdown,
                 LogDial,        HangupCountdown, ReadOnConnect, CallEnded,       LogWritePending,
                 LoggingRead,    DirectMode,      Online,        SampleCountdown, LastHour} {
    Name = "mainform";
    SetCaption("TALVIK");
    SetFixedSize(true);
    LoadMainImages(ImageList1);
    BuildBars();
    BuildPanels();
    TimerHostImpl = std::make_unique<MainTimerHost>(this);

    // The line as the window stores it; the port is opened only by the link (portset).
    Comport = std::make_unique<TKslComPort>();
    Comport->SetBaud(2400);
    Comport->PromptForPort = false;
    Comport->SetAutoOpen(false);
    Comport->SetRTS(false);
    Comport->SetBufferFull(2000);
    Comport->SetBufferResume(100);
    Comport->SetTraceName("KESL.TRC");
    Comport->SetLogName("KESL1.txt");
    Comport->SetUseEventWord(false);
    Comport->SetTapiMode(TTapiMode::tmOff);
    LinkListener = std::make_unique<TMainLinkListener>(*this);
    Link = std::make_unique<TLink>(*Comport, *LinkListener);
    Link->ProcessMessages = [] { Application.ProcessMessages(); };
    // A close put off by FormCloseQuery comes again once the link's step is done: it is posted,
    // so it runs after that step has returned to the message loop.
    Link->OperationDone = [this] {
        if (!closePutOff_) return;
        closePutOff_ = false;
        PostMessageW(Handle(), WM_CLOSE, 0, 0);
    };
    // A failing step of the link reaches the program's error display, not the port's window.
    Comport->OnTriggerTimer = [this](TKslComPortOps*, std::uint16_t handle) {
        try {
            Link->ComportTriggerTimer(handle);
        } catch (...) {
            Application.HandleCurrentException();
        }
    };
    BuildTapiDevice();
    Timer1.SetInterval(1000);
    Timer1.OnTimer = [this](TTimer*) { Timer1Timer(); };
    StatusHoldTimer.SetEnabled(false);
    StatusHoldTimer.SetInterval(250);
    StatusHoldTimer.OnTimer = [this](TTimer*) {
        if (auto text = statusHold_.Expire(GetTickCount())) Statusb->SetPanelText(5, *text);
        if (!statusHold_.Holding()) StatusHoldTimer.SetEnabled(false);
    };

    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnCloseQuery = [this](TForm* f, bool& canClose) { FormCloseQuery(f, canClose); };
    OnClose = [this](TForm* f, TCloseAction& a) { FormClose(f, a); };
    OnDestroy = [this](TForm* f) { FormDestroy(f); };
}

Tmainform::~Tmainform() {
    Timer1.SetEnabled(false);
    if (mainform == this) mainform = nullptr;
}

void Tmainform::BuildBars() {
    CoolBar1 = new TCoolBar(this);
    CoolBar1->Name = "CoolBar1";
    ToolBar1 = new TToolBar(CoolBar1, 46, 40);
    ToolBar1->Name = "ToolBar1";
    ToolBar1->SetImages(&ImageList1);
    using S = TToolButton::Style;
    ToolButton1 = ToolBar1->AddButton("ToolButton1", S::Button, imgExit);
    ToolButton13 = ToolBar1->AddButton("ToolButton13", S::Separator, 0);
    ToolButton2 = ToolBar1->AddButton("ToolButton2", S::Button, imgFlagEnglish);
    ToolButton3 = ToolBar1->AddButton("ToolButton3", S::Button, imgHelp);
    ToolButton14 = ToolBar1->AddButton("ToolButton14", S::Separator, 0);
    ToolButton4 = ToolBar1->AddButton("ToolButton4", S::Check, imgCurrent);
    ToolButton5 = ToolBar1->AddButton("ToolButton5", S::Check, imgHistory);
    ToolButton6 = ToolBar1->AddButton("ToolButton6", S::Check, imgSettings);
    ToolButton15 = ToolBar1->AddButton("ToolButton15", S::Separator, 0);
    ToolButton7 = ToolBar1->AddButton("ToolButton7", S::Button, imgTools);
    ToolButton8 = ToolBar1->AddButton("ToolButton8", S::Button, imgModem);
    ToolButton9 = ToolBar1->AddButton("ToolButton9", S::Button, imgDial);
    ToolButton16 = ToolBar1->AddButton("ToolButton16", S::Separator, 0);
    ToolButton10 = ToolBar1->AddButton("ToolButton10", S::Button, imgSave);
    ToolButton11 = ToolBar1->AddButton("ToolButton11", S::Button, imgPrint);
    ToolButton12 = ToolBar1->AddButton("ToolButton12", S::Button, imgPeriodic);
    CoolBar1->AddBand(ToolBar1, 42);

    ToolButton1->OnClick = [this](TToolButton*) { ToolButton1Click(); };
    ToolButton2->OnClick = [this](TToolButton*) { ToolButton2Click(); };
    ToolButton3->OnClick = [this](TToolButton*) { ToolButton3Click(); };
    ToolButton4->OnClick = [this](TToolButton*) { ToolButton4Click(); };
    ToolButton5->OnClick = [this](TToolButton*) { ToolButton5Click(); };
    ToolButton6->OnClick = [this](TToolButton*) { ToolButton6Click(); };
    ToolButton7->OnClick = [this](TToolButton*) { ToolButton7Click(); };
    ToolButton8->OnClick = [this](TToolButton*) { ToolButton8Click(); };
    ToolButton9->OnClick = [this](TToolButton*) { ToolButton9Click(); };
    ToolButton10->OnClick = [this](TToolButton*) { ToolButton10Click(); };
    ToolButton11->OnClick = [this](TToolButton*) { ToolButton11Click(); };
    ToolButton12->OnClick = [this](TToolButton*) { ToolButton12Click(); };

    sitebutton = new TSpeedButton(this, "LOG");
    sitebutton->Name = "sitebutton";
    sitebutton->SetBounds(588, 2, 46, 40);
    sitebutton->OnClick = [this](TControl*) { sitebuttonClick(); };

    Statusb = new TStatusBar(this);
    Statusb->Name = "Statusb";
    // Panel 5 carries the link's messages and failures ("Cant open port-Port Set Exception") and
    // takes the rest of the bar; the hint panel gives up what the six widths were over the bar.
    Statusb->SetPanelWidths({kStatusHintWidth, 166, 50, 49, 0, kStatusBarWidth - kStatusHintWidth - 166 - 50 - 49});

    Single1 = puTools.Add("Single1", "&Send Single Command");
    Options1 = puTools.Add("Options1", "&Options");
    Single1->OnClick = [this](TMenuItem*) { DisplaySingleCommandWindow(); };
    Options1->OnClick = [](TMenuItem*) { Options1Click(); };
}

void Tmainform::BuildPanels() {
    // Exit confirmation
    exitpanel = new TPanel(this);
    // Hidden from the start: the windows of its contents are made when it is first shown.
    exitpanel->Hide();
    exitpanel->Name = "exitpanel";
    exitlab = new TLabel(exitpanel, "EXIT?");
    exitlab->SetAlignment(TLabel::Align::Center);
    Versionlab = new TLabel(exitpanel);
    Versionlab->SetAlignment(TLabel::Align::Center);
    exityesBitBtn = new TBitBtn(exitpanel, "Yes");
    exityesBitBtn->SetGlyph(&ImageList1, imgYes);
    exitnoBitBtn = new TBitBtn(exitpanel, "No");
    exitnoBitBtn->SetGlyph(&ImageList1, imgNo);
    // Enter and Escape answer the exit question while it shows (hidden buttons take no keys).
    exityesBitBtn->SetDefault(true);
    exitnoBitBtn->SetCancel(true);
    exityesBitBtn->OnClick = [this](TControl*) { exityesBitBtnClick(); };
    exitnoBitBtn->OnClick = [this](TControl*) { exitnoBitBtnClick(); };

    // Language choice
    Langgroup = new TGroupBox(this);
    Langgroup->Hide();
    Langgroup->Name = "Langgroup";
    englishselect = new TRadioButton(Langgroup);
    frenchselect = new TRadioButton(Langgroup);
    chineseselect = new TRadioButton(Langgroup);
    germanselect = new TRadioButton(Langgroup);
    englishflag = new TImage(Langgroup);
    frenchflag = new TImage(Langgroup);
    chineseflag = new TImage(Langgroup);
    germanflag = new TImage(Langgroup);
    englishflag->SetImage(&ImageList1, imgFlagEnglish);
    frenchflag->SetImage(&ImageList1, imgFlagFrench);
    chineseflag->SetImage(&ImageList1, imgFlagChinese);
    germanflag->SetImage(&ImageList1, imgFlagGerman);
    // French is reached only through the registry.
    frenchselect->SetEnabled(false);
    frenchflag->SetEnabled(false);
    for (TRadioButton* r : {englishselect, frenchselect, chineseselect, germanselect})
        r->OnClick = [this](TControl*) { englishselectClick(); };
    fontselbut = new TButton(Langgroup, "A");
    fontselbut->OnClick = [this](TControl*) { fontselbutClick(); };

    // Port and modem
    companel = new TPanel(this);
    companel->Hide();
    companel->Name = "companel";
    Directlab = new TLabel(companel, "Direct");
    Baudlab = new TLabel(companel, "Baud Rate");
    baudbox = new TComboBox(companel, 4);
    for (const char* b : {"300", "1200", "2400", "9600"}) baudbox->Add(b);
    Portlab = new TLabel(companel, "Port");
    ebDirectComPortNum = new TEdit(companel);
    udDirectComPortNum = new TUpDown(companel, ebDirectComPortNum, 1, 254);
    Modemlab = new TLabel(companel, "Modem");
    Mportlab = new TLabel(companel, "Modem Port");
    ebModemComPortNum = new TEdit(companel);
    udModemComPortNum = new TUpDown(companel, ebModemComPortNum, 1, 254);
    Tapicheck = new TCheckBox(companel, "TAPI");
    Modconlab = new TLabel(companel, "Modem Control");
    Tapiselbutton = new TButton(companel, "Select");
    Setuplab = new TLabel(companel, "Modem Setup String");
    Setupedit = new TEdit(companel);
    Setupedit->SetMaxLength(static_cast<int>(kMaxModemSetLength));
    Pulsecheck = new TCheckBox(companel, "Pulse");
    Timedelaylab = new TLabel(companel, "Path Delay");
    TimedelayEdit = std::make_unique<TUpDownEdit>(companel, 2, 20);
    ebDirectComPortNum->OnChange = [this](TControl*) { ebDirectComPortNumChange(); };
    ebModemComPortNum->OnChange = [this](TControl*) { ebModemComPortNumChange(); };
    udDirectComPortNum->OnChangingEx = [this](TControl*, bool& allow, int v, TUpDown::Direction d) {
        udDirectComPortNumChangingEx(allow, v, d);
    };
    udModemComPortNum->OnChangingEx = [this](TControl*, bool& allow, int v, TUpDown::Direction d) {
        udModemComPortNumChangingEx(allow, v, d);
    };
    Setupedit->OnChange = [this](TControl*) { SetupeditChange(); };
    baudbox->OnChange = [this](TControl*) { baudboxChange(); };

    // Dialling and phone book
    Dialpanel = new TPanel(this);
    Dialpanel->Hide();
    Dialpanel->Name = "Dialpanel";
    phoneidedit = new TEdit(Dialpanel);
    phoneidedit->SetMaxLength(12);
    dialedit = new TMaskEdit(Dialpanel, 16);
    Dialbutton = new TBitBtn(Dialpanel);
    Dialbutton->SetGlyph(&ImageList1, imgDial);
    mcanbutton = new TBitBtn(Dialpanel, "Close");
    mcanbutton->SetGlyph(&ImageList1, imgNo);
    mcanbutton->SetCancel(true);
    bookbtn = new TButton(Dialpanel, "PhoneBook");
    Hangup = new TButton(Dialpanel, "Hangup");
    phonegrid = new TStringGrid(Dialpanel, 3, 17);
    phonegrid->RowSelect = true;
    phonegrid->Hide();
    Dialbutton->OnClick = [this](TControl*) { DialbuttonClick(); };
    Hangup->OnClick = [this](TControl*) { HangupClick(); };
    mcanbutton->OnClick = [this](TControl*) { ToolButton9Click(); };
    bookbtn->OnClick = [this](TControl*) { bookbtnClick(); };
    phonegrid->OnSelectCell = [this](TControl*, int c, int r, bool& can) { phonegridSelectCell(c, r, can); };
    phoneidedit->OnChange = [this](TControl*) { DialeditEnter(); };
    phoneidedit->OnEnter = [this](TControl*) { DialeditEnter(); };
    dialedit->OnChange = [this](TControl*) { DialeditEnter(); };

    // Periodic log
    Logpanel = new TPanel(this);
    Logpanel->Hide();
    Logpanel->Name = "Logpanel";
    Samplecheck = new TCheckBox(Logpanel, "Log Data Every");
    rateedit = std::make_unique<TUpDownEdit>(Logpanel, 1, 48);
    Ratelab = new TLabel(Logpanel, "Hours");
    Waittimelab = new TLabel(Logpanel);
    logedit = new TEdit(Logpanel);
    logedit->SetUpperCase(true);
    logedit->SetMaxLength(static_cast<int>(kMaxFileNameLength));
    Logread = new TButton(Logpanel, "View");
    dialupcheck = new TCheckBox(Logpanel, "Use Modem Dialup");
    Lognumedit = new TMaskEdit(Logpanel, 16);
    Samplecheck->OnClick = [this](TControl*) { SamplecheckClick(); };
    dialupcheck->OnClick = [this](TControl*) { dialupcheckClick(); };
    Logread->OnClick = [this](TControl*) { LogreadClick(); };

    // Site number
    sitepanel = new TPanel(this);
    sitepanel->Hide();
    sitepanel->Name = "sitepanel";
    Sitelab = new TLabel(sitepanel, "SITE NUMBER");
    Sitespin = std::make_unique<TUpDownEdit>(sitepanel, 0, 240);
    Sitespin->SetValue(240);
    SiteInUse = Sitespin->Value();
    Sitespin->Edit->OnChange = [this](TControl*) { SitespinChange(); };

    // Save and settings-file panels
    Savepanel = new TPanel(this);
    Savepanel->Hide();
    Savepanel->Name = "Savepanel";
    Savepanel->SetColor(RGB(255, 255, 160));
    Currsavecheck = new TCheckBox(Savepanel, "Current State");
    Datasavecheck = new TCheckBox(Savepanel, "History");
    Setsavecheck = new TCheckBox(Savepanel, "Settings");
    Calsavecheck = new TCheckBox(Savepanel, "Calibration");
    for (TCheckBox* c : {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck}) c->SetEnabled(false);
    fileedit = new TEdit(Savepanel, "NUVDATA1");
    fileedit->SetUpperCase(true);
    fileedit->SetMaxLength(static_cast<int>(kMaxFileNameLength));
    btnSave = new TButton(Savepanel, "...");
    Savebutton = new TBitBtn(Savepanel);
    Savebutton->SetGlyph(&ImageList1, imgSave);
    Printbutton = new TBitBtn(Savepanel);
    Printbutton->SetGlyph(&ImageList1, imgPrint);
    Readbutton = new TBitBtn(Savepanel);
    Readbutton->SetGlyph(&ImageList1, imgHistory);
    qvsetbutton = new TBitBtn(Savepanel, "QV");
    fileedit->OnChange = [this](TControl*) { SaveFileName = fileedit->Text(); };
    for (TCheckBox* c : {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck})
        c->OnClick = [this](TControl*) { SaveButtonAvailable(); };
    Savebutton->OnClick = [this](TControl*) { SavebuttonClick(); };
    btnSave->OnClick = [this](TControl*) { btnSaveClick(); };
    Printbutton->OnClick = [this](TControl*) { PrintbuttonClick(); };
    Readbutton->OnClick = [this](TControl*) { ReadbuttonClick(); };
    qvsetbutton->OnClick = [this](TControl*) { qvsetbuttonClick(); };
    qvsetpanel = new TPanel(this);
    qvsetpanel->Hide();
    qvsetpanel->Name = "qvsetpanel";
    setsavebbut = new TBitBtn(qvsetpanel);
    setsavebbut->SetGlyph(&ImageList1, imgSave);
    setgetbbut = new TBitBtn(qvsetpanel);
    setgetbbut->SetGlyph(&ImageList1, imgSettings);
    setcancelbut = new TBitBtn(qvsetpanel);
    setcancelbut->SetCancel(true);
    setcancelbut->SetGlyph(&ImageList1, imgNo);
    setsavebbut->OnClick = [this](TControl*) { setsavebbutClick(); };
    setgetbbut->OnClick = [this](TControl*) { setgetbbutClick(); };
    setcancelbut->OnClick = [this](TControl*) { setcancelbutClick(); };

    // Single command
    Singlepanel = new TPanel(this);
    Singlepanel->Hide();
    Singlepanel->Name = "Singlepanel";
    singlab = new TLabel(Singlepanel, "Send Single Command");
    Singlab1 = new TLabel(Singlepanel, "Command");
    sendcombo = new TComboBox(Singlepanel, 10);
    Singlab2 = new TLabel(Singlepanel, "Address  (Dec)");
    spinSendAddress = new TXcSpinEdit(Singlepanel);
    spinSendAddress->Name = "spinSendAddress";
    spinSendAddress->SetMinValue(0);
    spinSendAddress->SetMaxValue(511);
    Singlab3 = new TLabel(Singlepanel, "Data to send");
    spinSendData = new TXcSpinEdit(Singlepanel);
    spinSendData->Name = "spinSendData";
    spinSendData->SetMinValue(0);
    spinSendData->SetMaxValue(255);
    // The two number inputs are aqua, apart from the panel's other fields.
    for (TXcSpinEdit* spin : {spinSendAddress, spinSendData}) spin->SetColor(RGB(0, 255, 255));
    singsend = new TButton(Singlepanel, "Send");
    Reccap = new TLabel(Singlepanel, "Reply:");
    reclab = new TLabel(Singlepanel);
    sendcombo->OnChange = [this](TControl*) { sendcomboChange(); };
    singsend->OnClick = [this](TControl*) { singsendClick(); };

    Saveedit = new TRichEdit(this);
    Saveedit->Name = "Saveedit";
    Saveedit->Hide();

    for (TControl* p : std::initializer_list<TControl*>{exitpanel, Langgroup, companel, Dialpanel, Logpanel,
                                                         sitepanel, Savepanel, qvsetpanel, Singlepanel})
        p->Hide();
}

void Tmainform::layoutmain() {
    SetBounds(0, 0, 640, 96);
    SetAutoSize(true);
    Statusb->SetBounds(0, 44, kStatusBarWidth, 22);
    CoolBar1->SetBounds(0, 0, 582, 44);
    ToolBar1->SetHeight(42);
    exitpanel->SetBounds(0, 40, 73, 120);
    exitlab->SetBounds(2, 4, 69, 18);
    Versionlab->SetBounds(2, 22, 69, 16);
    exityesBitBtn->SetBounds(4, 40, 65, 37);
    exitnoBitBtn->SetBounds(4, 80, 65, 37);

    Langgroup->SetBounds(40, 40, 65, 177);
    TRadioButton* radios[] = {englishselect, frenchselect, chineseselect, germanselect};
    TImage* flags[] = {englishflag, frenchflag, chineseflag, germanflag};
    for (int i = 0; i < 4; ++i) {
        radios[i]->SetBounds(4, 18 + i * 36 + 8, 16, 17);
        flags[i]->SetBounds(21, 18 + i * 36, 39, 33);
    }
    fontselbut->SetBounds(8, 164 - 14, 49, 24);

    qvsetpanel->SetBounds(380, 45, 106, 144);

    sitepanel->SetBounds(510, 48, 129, 89);
    Sitelab->SetBounds(8, 10, 113, 20);
    Sitespin->SetBounds(8, 40, 80, 24);

    Logpanel->SetBounds(325, 66, 305, 169);
    Samplecheck->SetBounds(8, 16, 170, 20);
    rateedit->SetBounds(184, 10, 57, 34);
    Ratelab->SetBounds(246, 14, 51, 23);
    Waittimelab->SetBounds(256, 56, 42, 41);
    logedit->SetBounds(8, 56, 200, 24);
    Logread->SetBounds(8, 88, 90, 25);
    dialupcheck->SetBounds(8, 120, 240, 20);
    Lognumedit->SetBounds(8, 140, 200, 24);

    Savepanel->SetBounds(368, 66, 210, 169);
    layoutsavepanel();

    companel->SetBounds(330, 66, 297, 227);
    Directlab->SetBounds(8, 8, 120, 18);
    Baudlab->SetBounds(8, 32, 80, 18);
    baudbox->SetBoundsKeepDrop(90, 28, 80, 24);
    Portlab->SetBounds(180, 32, 40, 18);
    ebDirectComPortNum->SetBounds(222, 28, 50, 24);
    udDirectComPortNum->SetBounds(272, 28, 17, 24);
    Modemlab->SetBounds(8, 62, 120, 18);
    Mportlab->SetBounds(8, 86, 110, 18);
    ebModemComPortNum->SetBounds(120, 82, 50, 24);
    udModemComPortNum->SetBounds(170, 82, 17, 24);
    Tapicheck->SetBounds(200, 84, 90, 20);
    Modconlab->SetBounds(8, 116, 160, 18);
    Tapiselbutton->SetBounds(200, 112, 90, 25);
    Setuplab->SetBounds(8, 142, 280, 18);
    Setupedit->SetBounds(8, 160, 280, 24);
    Pulsecheck->SetBounds(8, 196, 110, 20);
    Timedelaylab->SetBounds(130, 198, 90, 18);
    TimedelayEdit->SetBounds(222, 194, 67, 24);

    Dialpanel->SetBounds(284, 66, 344, 94);
    phoneidedit->SetBounds(8, 10, 120, 24);
    dialedit->SetBounds(134, 10, 140, 24);
    Dialbutton->SetBounds(280, 4, 58, 42);
    bookbtn->SetBounds(8, 44, 120, 26);
    Hangup->SetBounds(134, 44, 100, 26);
    mcanbutton->SetBounds(280, 48, 58, 40);
    phonegrid->SetBounds(4, 94, 336, 207);

    Singlepanel->SetBounds(380, 66, 250, 161);
    singlab->SetBounds(8, 6, 234, 20);
    Singlab1->SetBounds(8, 36, 64, 20);  // clear of the command list, which starts at 75 in Chinese
    Singlab2->SetBounds(8, 70, 142, 20);
    spinSendAddress->SetBounds(152, 66, 80, 24);
    Singlab3->SetBounds(8, 98, 142, 20);
    spinSendData->SetBounds(152, 94, 80, 24);
    singsend->SetBounds(8, 126, 80, 28);
    Reccap->SetBounds(96, 132, 70, 20);
    reclab->SetBounds(168, 132, 76, 20);
}

void Tmainform::FormCreate(TForm*) {
    DebugChannel("Main Form Create Start");
    StartupPending = true;
    // No call is up: the stored settings are applied to controls that refuse changes during one.
    CallEnded = true;

    MigrateRegistryKeys(RegistryKeyPath);
    RegIni = std::make_unique<RegIniStore>(RegistryKeyPath);
    RegistrySettings settings;
    readregistry(*RegIni, settings);
    ApplySettings(settings);

    ebDirectComPortNum->SetText(IntToStr(DirectPortNumber));
    ebModemComPortNum->SetText(IntToStr(ModemPortNumber));
    fileedit->SetText(SaveFileName);

    rateedit->SetBounds(184, 10, 57, 34);
    Ratelab->SetBounds(246, 14, 51, 23);

    Setupedit->SetText(ModemSetString);
    DebugChannel(ModemSetString);

    FontDialog1.Font = TFont{At(LangFontName, LanguageNumber), At(LangFontSize, LanguageNumber),
                             At(LangFontCharset, LanguageNumber), false};

    RequestTriggerAdded = ModemSetupTriggerAdded = HangupTriggerAdded = XalTriggerAdded = false;
    PortNumChanging = false;
    RegImage.fill(0);

    Application.OnHint = [this] { AppHint(); };

    // Errors of the port's threads and events come while the line does whatever it does (a
    // flooding line, a device gone): they are shown in the status bar, where they cannot stand
    // between the user and the exit as a box waiting for an answer would.
    SetKslErrorDisplay([this](const std::string& message) {
        DebugChannel("serial library: " + message);
        ShowStatus(message);
    });
    Comport->SetComNumber(CheckedCast<std::uint16_t>(DirectPortNumber));
    DirectMode = true;
    TraceSelection[0] = 1;
    TraceSelection[1] = 2;
    TraceSelection[2] = 0;
    TraceSelection[3] = 0;
    Comport->SetBaud(At(BaudRates, baudbox->ItemIndex()));
    comstatusupdate();
    cleardataflags();

    CalibrationLoaded = HistoryLoaded = CurrentLoaded = SendAll = false;
    SampleCountdown = rateedit->Value();
    LogWritePending = false;

    layoutmain();
    CallEnded = true;

    phonegrid->SetHeight(207);
    phonegrid->SetColWidth(0, 26);
    phonegrid->SetColWidth(1, 126);
    phonegrid->SetColWidth(2, 164);
    phonegrid->SetCell(0, 0, "");
    HangupRequested = false;

    sitebutton->SetCaption(IntToStr(Sitespin->Value()));

    TRadioButton* radios[] = {englishselect, frenchselect, chineseselect, germanselect};
    radios[RangeCheck(LanguageNumber, 0, 3)]->SetChecked(true);

    VoltMult = 1;
    VoltDiv = 1;
    RegImage[At(EquateAddress, 0)] = 0;
    XalNewer = false;
    ModelName = "Tova";
    LARGE_INTEGER pc;
    std::srand(QueryPerformanceCounter(&pc) ? static_cast<unsigned>(pc.QuadPart) : GetTickCount());

    for (int i = 1; i <= 16; ++i) phonegrid->SetCell(0, i, IntToStr(i));

    LoaduCSV();
    LogCsv();
    VersionInfo = new T_Version();
    DebugChannel("Main Form get version number");

    setcaptions();
    ebDirectComPortNum->SetText(IntToStr(DirectPortNumber));
    ebModemComPortNum->SetText(IntToStr(ModemPortNumber));

    debugSwitch_ = IsDebugSwitch(CommandLineArgs());
    // With "-debug" the debug window collects the link's traces from the start.
    DebugTraceFromStart = debugSwitch_;
    DebugEnabled = debugSwitch_;
    ToolButton7->SetDropdownMenu(debugSwitch_ ? &puTools : nullptr);

    Application.OnShowHint = [this](std::string& h, bool& can, THintInfo& info) { AppShowHint(h, can, info); };
    // Closing the data windows releases their tool buttons.
    DataFormsHost.CurrentClosed = [this] { ToolButton4->SetDown(false); };
    DataFormsHost.SettingsClosed = [this] { ToolButton6->SetDown(false); };
    // The data windows ask this window's link for their reads and writes.
    BindDataFormsToLink(*Link);
    GraphXalHost.ShowStatus = [this](const std::string& t) { ShowStatus(t); };
    GraphXalHost.GraphClosed = [this] { ToolButton5->SetDown(false); };
    GraphXalHost.TraceSelection = TraceSelection;
    BindGraphXalToLink(*Link);
    UpdateCallControls();
    DebugChannel("Main Form Create completed");
}

void Tmainform::ApplySettings(const RegistrySettings& s) {
    rateedit->SetValue(s.PeriodicLogRate);
    baudbox->SetItemIndex(RangeCheck(s.BaudIndex, 0, 3));
    BaudIndexInUse = baudbox->ItemIndex();
    DirectPortNumber = s.DirectPortNumber;
    ModemPortNumber = s.ModemPortNumber;
    LanguageNumber = s.LanguageNumber;
    VoltageMultiplier = s.VoltageMultiplier;
    CurrentMultiplier = s.CurrentMultiplier;
    CurrentMultiplierExt = s.CurrentMultiplierExt;
    PhoneListLine = s.PhoneListLine;
    Sitespin->SetValue(s.SiteNumber);
    dialedit->SetMaskedText(s.DialString);
    SaveFileName = s.SaveFileName;
    Lognumedit->SetMaskedText(s.LogNumber);
    logedit->SetText(s.LogFileName);
    TimedelayEdit->SetValue(s.PathTimeDelay);
    ModemSetString = s.ModemSetString;
    SelectedTapiDevice = s.SelectedTapiDevice;
    if (tapi1) tapi1->SetSelectedDevice(SelectedTapiDevice);
    Currsavecheck->SetChecked(s.CurrentData);
    Datasavecheck->SetChecked(s.DayData);
    Setsavecheck->SetChecked(s.SettingsData);
    Calsavecheck->SetChecked(s.CalibrationData);
    Samplecheck->SetChecked(s.SampleEnabled);
    dialupcheck->SetChecked(s.LogDialUpEnabled);
    AlarmBeep = s.AlarmBeep;
    AlarmDial = s.AlarmDial;
    SiteMode = s.SiteMode;
    for (int i = 1; i <= kPhoneBookRows; ++i) {
        phonegrid->SetCell(1, i, s.PhoneBook[i - 1].name);
        phonegrid->SetCell(2, i, s.PhoneBook[i - 1].number);
    }
    for (int l = 0; l < kLanguageCount; ++l) {
        LangFontName[l] = s.FontName[l];
        LangFontSize[l] = s.FontSize[l];
    }
    Tapicheck->SetChecked(s.TapiSelection);
    // Run the handlers as a click would even when the state did not change, so dependent
    // controls start consistent.
    SamplecheckClick();
    dialupcheckClick();
}

RegistrySettings Tmainform::CollectSettings() const {
    RegistrySettings s;
    s.PeriodicLogRate = rateedit->Value();
    s.BaudIndex = std::max(0, baudbox->ItemIndex());
    s.DirectPortNumber = DirectPortNumber;
    s.ModemPortNumber = ModemPortNumber;
    s.LanguageNumber = LanguageNumber;
    s.VoltageMultiplier = VoltageMultiplier;
    s.CurrentMultiplier = CurrentMultiplier;
    s.CurrentMultiplierExt = CurrentMultiplierExt;
    s.PhoneListLine = PhoneListLine;
    s.SiteNumber = Sitespin->Value();
    s.DialString = dialedit->Text();
    s.SaveFileName = SaveFileName;
    s.LogNumber = Lognumedit->Text();
    s.LogFileName = logedit->Text();
    s.PathTimeDelay = TimedelayEdit->Value();
    s.ModemSetString = ModemSetString;
    s.SelectedTapiDevice = SelectedTapiDevice;
    s.CurrentData = Currsavecheck->Checked();
    s.DayData = Datasavecheck->Checked();
    s.SettingsData = Setsavecheck->Checked();
    s.CalibrationData = Calsavecheck->Checked();
    s.SampleEnabled = Samplecheck->Checked();
    s.LogDialUpEnabled = dialupcheck->Checked();
    s.AlarmBeep = AlarmBeep;
    s.AlarmDial = AlarmDial;
    s.SiteMode = SiteMode;
    s.TapiSelection = Tapicheck->Checked();
    for (int i = 1; i <= kPhoneBookRows; ++i) {
        s.PhoneBook[i - 1].name = phonegrid->Cell(1, i);
        s.PhoneBook[i - 1].number = phonegrid->Cell(2, i);
    }
    for (int l = 0; l < kLanguageCount; ++l) {
        s.FontName[l] = LangFontName[l];
        s.FontSize[l] = LangFontSize[l];
    }
    return s;
}

void Tmainform::FormActivate(TForm*) { SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW))); }

void Tmainform::FormClose(TForm*, TCloseAction&) {
    closing_ = true;
    // The program ends: no tick may start a periodic read now (it would reopen the port).
    Timer1.SetEnabled(false);
    if (RegIni && !writeregistry(*RegIni, CollectSettings()))
        MessageDlg(PanelText(ptSettingsNotSaved, LanguageNumber), TMsgDlgType::mtError, mbOK);
    // The serial library lets window messages flow while the port's threads end: no click may
    // start a transfer on the port being closed.
    for (TForm* f : Application.Forms())
        if (HWND h = f->Handle()) EnableWindow(h, FALSE);
    // A modem call is left to the modem; a port that will not close does not stop the exit.
    try {
        if (Comport) Comport->SetOpen(false);
    } catch (...) {
        ShowStatus(StatusTextOf(stPortSetException));
    }
    for (TForm* f : std::initializer_list<TForm*>{Currentform, setform, Readform, helpform, graphform}) {
        if (f) f->Free();
    }
    Currentform = nullptr;
    setform = nullptr;
    Readform = nullptr;
    helpform = nullptr;
    graphform = nullptr;
}

void Tmainform::FormDestroy(TForm*) {
    RegIni.reset();
    delete VersionInfo;
    VersionInfo = nullptr;
    // The port's threads end with it; its errors have no window to go to any more.
    Timer1.SetEnabled(false);
    DataFormsHost = {};
    GraphXalHost = {};
    Link.reset();
    LinkListener.reset();
    ReleaseTapiDevice();
    Comport.reset();
    SetKslErrorDisplay(nullptr);
}

// ---- tool buttons

void Tmainform::ToolButton1Click() {
    Toggle(exitpanel);
    Versionlab->SetCaption(VersionInfo ? VersionInfo->VersionText() : "");
    exityesBitBtn->SetCaption("");
    exitnoBitBtn->SetCaption("");
    if (debugSwitch_ && exitpanel->Visible() && Form1 && !Form1->Visible()) {
        Form1->Show();
        AddDebugLine(TimestampLine("Debug Window Opened"));
    }
    exitpanel->BringToFront();
}

void Tmainform::ToolButton2Click() {
    Toggle(Langgroup);
    Langgroup->BringToFront();
}

void Tmainform::ToolButton3Click() {
    if (!helpform) return;
    Toggle(helpform);
    if (helpform->Visible()) SetForegroundWindow(helpform->Handle());
}

void Tmainform::ToolButton4Click() {
    if (!Currentform) return;
    Toggle(Currentform);
    if (Currentform->Visible()) {
        SetForegroundWindow(Currentform->Handle());
        // Only the first showing reads: afterwards the window keeps what it has until asked.
        Currentform->ShownByMainWindow();
    }
}

void Tmainform::ToolButton5Click() {
    if (!graphform) return;
    Toggle(graphform);
    if (graphform->Visible()) SetForegroundWindow(graphform->Handle());
}

void Tmainform::ToolButton6Click() {
    if (!setform) return;
    Toggle(setform);
    if (setform->Visible()) SetForegroundWindow(setform->Handle());
    setform->qvprogpanel->Hide();
}

void Tmainform::ToolButton7Click() {
    // Tracing that "-debug" turns on from the start is not the operator's own: the button's body
    // still opens the panel then.
    if (!DebugEnabled || DebugTraceFromStart) DisplaySingleCommandWindow();
}

void Tmainform::ToolButton8Click() {
    Toggle(companel);
    if (!companel->Visible()) return;
    modemselectset();
    companel->BringToFront();
}

void Tmainform::ToolButton9Click() {
    Toggle(Dialpanel);
    if (!Dialpanel->Visible()) return;
    mcanbutton->SetCaption("");
    if (PhoneListLine < 1 || PhoneListLine > 16) PhoneListLine = 1;
    PhoneGridUpdating = true;
    try {
        phonegrid->SetRow(PhoneListLine);
        dialedit->SetMaskedText(phonegrid->Cell(2, PhoneListLine));
        phoneidedit->SetText(phonegrid->Cell(1, PhoneListLine));
    } catch (...) {
        PhoneGridUpdating = false;
        throw;
    }
    PhoneGridUpdating = false;
    Dialpanel->BringToFront();
}

void Tmainform::ToolButton12Click() {
    Toggle(Logpanel);
    if (Logpanel->Visible()) Logpanel->BringToFront();
}

void Tmainform::exityesBitBtnClick() { Close(); }

void Tmainform::exitnoBitBtnClick() { exitpanel->Hide(); }

// ---- panels

void Tmainform::bookbtnClick() {
    Toggle(phonegrid);
    Dialpanel->SetHeight(phonegrid->Visible() ? 306 : 98);
}

void Tmainform::phonegridSelectCell(int, int row, bool& canSelect) {
    canSelect = true;
    if (DialEditUpdating) return;
    PhoneGridUpdating = true;
    PhoneListLine = row;
    dialedit->SetMaskedText(phonegrid->Cell(2, row));
    phoneidedit->SetText(phonegrid->Cell(1, row));
    PhoneGridUpdating = false;
}

void Tmainform::DialeditEnter() {
    if (PhoneGridUpdating || !phonegrid->Visible()) return;
    DialEditUpdating = true;
    if (PhoneListLine < 1 || PhoneListLine > 16) PhoneListLine = 1;
    phonegrid->SetCell(2, PhoneListLine, dialedit->Text());
    phonegrid->SetCell(1, PhoneListLine, phoneidedit->Text());
    DialEditUpdating = false;
}

bool Tmainform::LineOwned() const { return CommBusy || WriteBusy || HistLoadMode || ChainFlag || Dialling; }

bool Tmainform::RefuseLineChange() {
    if (!LineOwned()) return false;
    DebugChannel("line change refused: a transfer owns the line");
    ShowRefusal(LinkTextOf(TLinkText::LineKept, LanguageNumber));
    return true;
}

namespace {

// A port-number edit changed while the line is owned: it shows the number in use again.
void KeepPortNumber(TEdit* edit, std::int32_t number, bool& portNumChanging, Tmainform& form) {
    portNumChanging = false;
    if (edit->Text() == IntToStr(number)) return;
    form.RefuseLineChange();
    edit->SetText(IntToStr(number));
}

}  // namespace

void Tmainform::ebDirectComPortNumChange() {
    if (LineOwned()) {
        KeepPortNumber(ebDirectComPortNum, DirectPortNumber, PortNumChanging, *this);
        return;
    }
    if (PortNumChanging) {
        PortNumChanging = false;
        DirectPortNumber = udDirectComPortNum->Position();
    } else if (auto v = TryStrToInt(ebDirectComPortNum->Text())) {
        DirectPortNumber = std::clamp<std::int32_t>(*v, 1, 254);
    }
    ebDirectComPortNum->SetText(IntToStr(DirectPortNumber));
    // An open port is reopened on the new number, through the guarded port set: a number with
    // no port behind it (typed one digit at a time) is told in the status bar, not raised.
    if (DirectMode && Comport) {
        if (Comport->GetOpen())
            portset(CheckedCast<std::uint16_t>(DirectPortNumber));
        else
            Comport->SetComNumber(CheckedCast<std::uint16_t>(DirectPortNumber));
    }
    comstatusupdate();
    // Another port is another regulator: nothing read on the old one counts for it.
    if (Link) Link->FollowRegulator();
}

void Tmainform::ebModemComPortNumChange() {
    // The line a transfer owns, and the modem port of a call, stay what they are.
    if (LineOwned() || CallActive()) {
        KeepPortNumber(ebModemComPortNum, ModemPortNumber, PortNumChanging, *this);
        return;
    }
    if (PortNumChanging) {
        PortNumChanging = false;
        ModemPortNumber = udModemComPortNum->Position();
    } else if (auto v = TryStrToInt(ebModemComPortNum->Text())) {
        ModemPortNumber = std::clamp<std::int32_t>(*v, 1, 254);
    }
    ebModemComPortNum->SetText(IntToStr(ModemPortNumber));
}

namespace {

// An arrow of a port-number up-down steps to the next port present on this machine. The search
// decides the number, so the arrow's own step is refused; the edit then shows the number and
// its change handler takes it from the up-down.
void StepToPresentPort(TUpDown* upDown, TEdit* edit, bool& portNumChanging, bool& allow, int newValue,
                       TUpDown::Direction direction) {
    allow = false;
    const int start = std::clamp(newValue, -1, 128);
    const std::int16_t found = findcomport(static_cast<std::int16_t>(start), PortDirectionOf(direction));
    if (found >= 0 && found <= 127) upDown->SetPosition(std::max<int>(found, 1));
    portNumChanging = true;
    edit->SetText(IntToStr(upDown->Position()));
    // No change event when the number stayed: the next typed number must not take the up-down's.
    portNumChanging = false;
}

}  // namespace

void Tmainform::udDirectComPortNumChangingEx(bool& allow, int newValue, TUpDown::Direction direction) {
    allow = false;
    if (RefuseLineChange()) return;
    StepToPresentPort(udDirectComPortNum, ebDirectComPortNum, PortNumChanging, allow, newValue, direction);
}

void Tmainform::udModemComPortNumChangingEx(bool& allow, int newValue, TUpDown::Direction direction) {
    allow = false;
    if (RefuseLineChange()) return;
    StepToPresentPort(udModemComPortNum, ebModemComPortNum, PortNumChanging, allow, newValue, direction);
}

void Tmainform::baudboxChange() {
    // The list tells of a pick of the entry already shown as well: the line is already at that
    // rate, and reopening the port would cost a running transfer a try.
    if (baudbox->ItemIndex() == BaudIndexInUse) return;
    if (RefuseLineChange()) {
        baudbox->SetItemIndex(BaudIndexInUse);
        return;
    }
    BaudIndexInUse = baudbox->ItemIndex();
    if (DirectMode) portset(CheckedCast<std::uint16_t>(DirectPortNumber));
    comstatusupdate();
}

void Tmainform::SetupeditChange() {
    // The set-up string (or device) of a call in progress stays what it was.
    if (CallActive()) return;
    // While the box is checked the edit still holds the set-up string unless it shows the
    // telephony device; what is typed there is what a dial uses, so it is what is kept.
    if (!Tapicheck->Checked() || !SetupeditShowsTapiDevice) ModemSetString = Setupedit->Text();
    DebugChannel("change" + ModemSetString);
}

void Tmainform::SamplecheckClick() {
    rateedit->SetEnabled(Samplecheck->Checked());
    Waittimelab->SetVisible(Samplecheck->Checked());
    Logpanel->Invalidate();
}

void Tmainform::dialupcheckClick() { Lognumedit->SetEnabled(dialupcheck->Checked()); }

void Tmainform::sitebuttonClick() {
    if (SiteMode) {
        Toggle(sitepanel);
        sitepanel->BringToFront();
        sitebutton->SetCaption(IntToStr(Sitespin->Value()));
    } else {
        sitebutton->SetCaption(CaptionText(79));
        LogWritePending = false;
        // A refused request leaves the flag as it was (a log dial in progress keeps its own):
        // a stale one would make the next Dial call the log number and skip the periodic
        // dial-up. A read that ends without its pair clears it in the link.
        const bool before = ReadOnConnect, loggingBefore = LoggingRead;
        ReadOnConnect = true;
        // A forced log reads both pages at every speed, as the periodic log does.
        LoggingRead = true;
        try {
            Getdata("TSpeedButton", 3);
        } catch (...) {
            ReadOnConnect = before;
            LoggingRead = loggingBefore;
            throw;
        }
        if (!CommBusy) {
            ReadOnConnect = before;
            LoggingRead = loggingBefore;
        }
    }
}

void Tmainform::comstatusupdate() {
    if (DirectMode && baudbox->ItemIndex() > 3) baudbox->SetItemIndex(3);
    Statusb->SetPanelText(2, "COM" + IntToStr(Comport->GetComNumber()));
    Statusb->SetPanelText(3, IntToStr(Comport->GetBaud()));
    // The line's state as the tick and the link see it: what a call was placed with stays
    // fixed while it is up.
    UpdateCallControls();
}

// ---- the link

void Tmainform::Getdata(const std::string& Sender, std::int32_t Kind) {
    if (Link) Link->Getdata(Sender, Kind);
}

void Tmainform::portset(std::uint16_t PortNumber) {
    if (Link) Link->portset(PortNumber);
}

void Tmainform::RequestCurrentPage(std::int32_t Kind) {
    if (!Currentform) return;
    if (Kind == 2)
        Currentform->getcurrent();
    else
        Currentform->getCurrentString();
}

// The other page of a current-data pair is asked for from inside the port's timer event that
// ended the first page. Getdata reopens the port, and a port cannot finish closing while it is
// delivering an event: the request's frame would be dropped by the closing port. So the request
// waits until the event is over.
namespace {
constexpr UINT MsgCurrentPageRequest = WM_APP + 0x31;
}

void Tmainform::PostCurrentPageRequest(std::int32_t Kind) {
    PostMessageW(hwnd_, MsgCurrentPageRequest, static_cast<WPARAM>(Kind), 0);
}

LRESULT Tmainform::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == MsgCurrentPageRequest) {
        RequestCurrentPage(static_cast<std::int32_t>(wp));
        // A page that could not start (another request got in first, or the port would not
        // open) ends the pair as a failed page does: no other page to fetch, nothing to log.
        if (!CommBusy) {
            ChainFlag = false;
            LoggingRead = false;
        }
        return 0;
    }
    return TForm::WndProc(msg, wp, lp);
}

ReportContext Tmainform::ReportContextNow() {
    ReportContext ctx;
    ctx.language = LanguageNumber;
    ctx.date = SystemShortDate();
    ctx.time = SystemLongTime();
    if (VersionInfo) ctx.version = IntToStr(VersionInfo->Major) + "." + IntToStr(VersionInfo->Minor);
    ctx.directMode = DirectMode;
    ctx.dialNumber = dialedit->Text();
    ctx.currentChecked = Currsavecheck->Checked();
    ctx.currentChosen = SaveGroupChosen(Currsavecheck);
    ctx.historyChosen = SaveGroupChosen(Datasavecheck);
    ctx.settingsChosen = SaveGroupChosen(Setsavecheck);
    ctx.calibrationChosen = SaveGroupChosen(Calsavecheck);
    // The same decoding the current-data window shows.
    ctx.labels = BuildCurrentTexts(LanguageNumber);
    return ctx;
}

void Tmainform::ShowStatus(const std::string& text) {
    if (statusHold_.Pass(text, GetTickCount())) Statusb->SetPanelText(5, text);
}

void Tmainform::ShowRefusal(const std::string& text) {
    Statusb->SetPanelText(5, text);
    statusHold_.Hold(GetTickCount());
    StatusHoldTimer.SetEnabled(true);
}

void Tmainform::HangupClick() {
    // A call ends the way it was placed, whatever the box says now.
    if (CallEnded ? Tapicheck->Checked() : CallByTapi)
        TapiHangupClick();
    else if (Link)
        Link->HangupClick();
}

void Tmainform::DialbuttonClick() {
    LogCall = false;
    if (Tapicheck->Checked()) {
        TapiDialbuttonClick();
        return;
    }
    if (!Link) return;
    const bool placing = CallEnded;
    Link->DialbuttonClick();
    // The AT dial follows the modem's set-up answer: the call counts from the click.
    if (placing) CallByTapi = false;
    UpdateCallControls();
}

// ---- hints

void Tmainform::AppHint() { Statusb->SetPanelText(0, GetLongHint(Application.Hint())); }

void Tmainform::AppShowHint(std::string& hintStr, bool&, THintInfo& info) {
    if (Savepanel->Visible() && !Savebutton->Enabled() && info.HintControl == Savepanel) {
        POINT p = info.CursorPos;
        if (p.x >= Savebutton->Left() && p.x < Savebutton->Left() + Savebutton->Width() &&
            p.y >= Savebutton->Top() && p.y < Savebutton->Top() + Savebutton->Height())
            hintStr = GetShortHint(Savebutton->Hint());
    }
}

// ---- languages

void Tmainform::englishselectClick() {
    if (englishselect->Checked()) LanguageNumber = 0;
    if (frenchselect->Checked()) LanguageNumber = 1;
    if (chineseselect->Checked()) LanguageNumber = 2;
    if (germanselect->Checked()) LanguageNumber = 3;
    Langgroup->Hide();
    setcaptions();
}

void Tmainform::fontselbutClick() {
    int l = RangeCheck(LanguageNumber, 0, 3);
    FontDialog1.MinFontSize = 8;
    FontDialog1.MaxFontSize = 14;
    if (FontDialog1.Execute()) {
        LangFontName[l] = FontDialog1.Font.Name;
        LangFontSize[l] = FontDialog1.Font.Size;
    }
    Langgroup->Hide();
    setcaptions();
}

void Tmainform::setcaptions() {
    const int l = RangeCheck(LanguageNumber, 0, 3);
    const std::string fontName = At(LangFontName, l);
    const int charset = At(LangFontCharset, l);
    SetFont(TFont{fontName, At(LangFontSize, l), charset, false});
    // The listed controls keep their own size and take the language's font name; every other
    // control follows the window's font.
    const std::vector<TControl*> named = {
        exitlab, Directlab, Baudlab, Portlab, Mportlab, Modemlab, Modconlab, Tapiselbutton, Pulsecheck,
        ebDirectComPortNum, ebModemComPortNum, Statusb, sendcombo, Hangup, bookbtn, baudbox, phoneidedit,
        dialedit, mcanbutton, Dialpanel, Setupedit, TimedelayEdit->Edit, Timedelaylab, phonegrid, fileedit,
        setcancelbut, Readbutton, Printbutton, Savebutton, Lognumedit, Currsavecheck, Datasavecheck,
        Setsavecheck, Calsavecheck, logedit, dialupcheck, Samplecheck, rateedit->Edit, Ratelab, Logread,
        Dialbutton, qvsetbutton, setsavebbut, setgetbbut, qvsetpanel, Setuplab, Tapicheck};
    std::function<void(TWinControl*)> apply = [&](TWinControl* parent) {
        for (TControl* c : parent->Children()) {
            TFont f = c->Font();
            f.Name = fontName;
            f.Charset = charset;
            if (std::find(named.begin(), named.end(), c) == named.end()) f.Size = At(LangFontSize, l);
            c->SetFont(f);
            if (auto* w = dynamic_cast<TWinControl*>(c)) apply(w);
        }
    };
    apply(this);

    sendcomboload();

    SetCaption(VersionInfo ? CaptionText(1) + " " + VersionInfo->VersionText() : CaptionText(1));
    ToolButton2->SetImageIndex(imgFlagEnglish + l);

    auto both = [](TControl* c, int row) {
        c->SetCaption(CaptionText(row));
        c->SetHint(CaptionText(row));
    };
    both(exitlab, 2);
    both(Directlab, 3);
    both(Baudlab, 4);
    both(Portlab, 5);
    both(Mportlab, 6);
    both(Modemlab, 7);
    both(Modconlab, 8);
    both(Tapiselbutton, 9);
    both(Pulsecheck, 14);
    Tapicheck->SetHint(CaptionText(15));
    ebModemComPortNum->SetHint(CaptionText(16));
    Statusb->SetHint(CaptionText(17));
    Langgroup->SetHint(CaptionText(19));
    TToolButton* buttons[] = {ToolButton1, ToolButton2, ToolButton3, ToolButton4,  ToolButton5,  ToolButton6,
                              ToolButton7, ToolButton8, ToolButton9, ToolButton10, ToolButton11, ToolButton12};
    for (int i = 0; i < 12; ++i) buttons[i]->Hint = CaptionText(18 + i);
    both(Hangup, 81);
    both(bookbtn, 82);
    baudbox->SetHint(CaptionText(39));
    ebDirectComPortNum->SetHint(CaptionText(40));
    phoneidedit->SetHint(CaptionText(41));
    dialedit->SetHint(CaptionText(42));
    mcanbutton->SetHint(CaptionText(2));
    Dialpanel->SetHint(CaptionText(11));
    Setupedit->SetHint(CaptionText(43));
    phonegrid->SetCell(1, 0, CaptionText(44));
    phonegrid->SetCell(2, 0, CaptionText(45));
    fileedit->SetHint(CaptionText(46));
    setcancelbut->SetHint(CaptionText(47));
    Readbutton->SetHint(CaptionText(48));
    Printbutton->SetHint(CaptionText(49));
    Savebutton->SetHint(CaptionText(50));
    Lognumedit->SetHint(CaptionText(51));
    TCheckBox* saves[] = {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck};
    for (int i = 0; i < 4; ++i) {
        saves[i]->SetCaption(CaptionText(52 + i));
        saves[i]->SetHint(CaptionText(67 + i));
    }
    Logpanel->SetHint(CaptionText(56));
    logedit->SetHint(CaptionText(57));
    dialupcheck->SetCaption(CaptionText(58));
    Samplecheck->SetCaption(CaptionText(59));
    rateedit->Edit->SetHint(CaptionText(60));
    Ratelab->SetCaption(CaptionText(61));
    Logread->SetHint(CaptionText(62));
    Dialbutton->SetHint(CaptionText(11));
    qvsetbutton->SetHint(CaptionText(63));
    qvsetpanel->SetHint(CaptionText(63));
    setsavebbut->SetHint(CaptionText(64));
    setgetbbut->SetHint(CaptionText(65));
    fontselbut->SetHint(CaptionText(66));
    Singlepanel->SetHint(CaptionText(24));
    singlab->SetCaption(CaptionText(71));
    Singlab1->SetCaption(CaptionText(72));
    Singlab2->SetCaption(CaptionText(73));
    Singlab3->SetCaption(CaptionText(74));
    singsend->SetCaption(CaptionText(75));

    if (l == 2) {
        sendcombo->SetBoundsKeepDrop(75, 34, 165, 25);
    } else {
        sendcombo->SetBoundsKeepDrop(96, 34, 145, 25);
    }
    setpanelcaptions();
    if (setform) setform->LanguageChanged();
    // Panels paint their own captions and frames: repaint them in the new font.
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- the tick

void Tmainform::Timer1Timer() { talvik::Timer1Timer(timerVars_, *TimerHostImpl); }

}  // namespace talvik
