// The main window: tool bar, status bar and the slide-in panels, the program's start-up and
// shut-down, languages, registry settings and the one-second tick.
#pragma once

#include <memory>
#include <optional>
#include <vector>
#include <string>

#include "toolkit/comctrls.h"
#include "toolkit/dialogs.h"
#include "toolkit/grids.h"
#include "ui/mainTimer.h"
#include "ui/uRegistry.h"

namespace talvik {

class Tmainform : public TForm {
public:
    Tmainform();
    ~Tmainform() override;

    // Bars
    TCoolBar* CoolBar1;
    TToolBar* ToolBar1;
    TImageList ImageList1{39, 33};
    TToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton4, *ToolButton5, *ToolButton6,
        *ToolButton7, *ToolButton8, *ToolButton9, *ToolButton10, *ToolButton11, *ToolButton12;
    TToolButton *ToolButton13, *ToolButton14, *ToolButton15, *ToolButton16;
    TSpeedButton* sitebutton;
    TStatusBar* Statusb;

    // Exit confirmation
    TPanel* exitpanel;
    TLabel *exitlab, *Versionlab;
    TBitBtn *exityesBitBtn, *exitnoBitBtn;

    // Language choice
    TGroupBox* Langgroup;
    TRadioButton *englishselect, *frenchselect, *chineseselect, *germanselect;
    TImage *englishflag, *frenchflag, *chineseflag, *germanflag;
    TButton* fontselbut;
    TFontDialog FontDialog1;

    // Port and modem
    TPanel* companel;
    TLabel *Directlab, *Baudlab, *Portlab, *Mportlab, *Modemlab, *Modconlab, *Setuplab, *Timedelaylab;
    TComboBox* baudbox;
    TEdit *ebDirectComPortNum, *ebModemComPortNum;
    TUpDown *udDirectComPortNum, *udModemComPortNum;
    TCheckBox *Tapicheck, *Pulsecheck;
    TButton* Tapiselbutton;
    TEdit* Setupedit;
    std::unique_ptr<TUpDownEdit> TimedelayEdit;

    // Dialling and phone book
    TPanel* Dialpanel;
    TBitBtn *Dialbutton, *mcanbutton;
    TButton *Hangup, *bookbtn;
    TEdit* phoneidedit;
    TMaskEdit* dialedit;
    TStringGrid* phonegrid;

    // Periodic log
    TPanel* Logpanel;
    TCheckBox *Samplecheck, *dialupcheck;
    std::unique_ptr<TUpDownEdit> rateedit;
    TLabel *Ratelab, *Waittimelab;
    TEdit* logedit;
    TButton* Logread;
    TMaskEdit* Lognumedit;

    // Site number
    TPanel* sitepanel;
    TLabel* Sitelab;
    std::unique_ptr<TUpDownEdit> Sitespin;

    // Save, print and settings-file panels
    TPanel* Savepanel;
    TCheckBox *Currsavecheck, *Datasavecheck, *Setsavecheck, *Calsavecheck;
    TEdit* fileedit;
    TButton* btnSave;
    TBitBtn *Savebutton, *Printbutton, *Readbutton, *qvsetbutton, *setcancelbut;
    TPanel* qvsetpanel;
    TBitBtn *setsavebbut, *setgetbbut;

    // Single command
    TPanel* Singlepanel;
    TLabel *singlab, *Singlab1, *Singlab2, *Singlab3, *Reccap, *reclab;
    TComboBox* sendcombo;
    std::unique_ptr<TUpDownEdit> spinSendAddress, spinSendData;
    TButton* singsend;

    // Hidden report editor, timer, tools menu
    TRichEdit* Saveedit;
    TTimer Timer1;
    TPopupMenu puTools;
    TMenuItem *Single1, *Options1;

    std::unique_ptr<IniStore> RegIni;

    // Handlers
    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void FormClose(TForm*, TCloseAction&);
    void FormDestroy(TForm*);
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton7Click();
    void ToolButton8Click();
    void ToolButton9Click();
    void ToolButton10Click();
    void ToolButton12Click();
    void exityesBitBtnClick();
    void exitnoBitBtnClick();
    void englishselectClick();
    void fontselbutClick();
    void bookbtnClick();
    void phonegridSelectCell(int col, int row, bool& canSelect);
    void DialeditEnter();
    void ebDirectComPortNumChange();
    void ebModemComPortNumChange();
    void SetupeditChange();
    void SamplecheckClick();
    void dialupcheckClick();
    void sitebuttonClick();
    void AppHint();
    void AppShowHint(std::string& hintStr, bool& canShow, THintInfo& info);
    void Timer1Timer();

    void setcaptions();
    void layoutmain();
    void sendcomboload();
    // Port and baud rate in status panels 2 and 3.
    void comstatusupdate();

    // Settings between the registry and the controls.
    void ApplySettings(const RegistrySettings& s);
    RegistrySettings CollectSettings() const;

    // Whether the program was started with "-debug" (read from the command line at creation).
    bool DebugSwitch() const { return debugSwitch_; }
    // The program's arguments after its own name, as the creation handler reads them.
    static std::vector<std::string> CommandLineArgs();
    // Tests start the window with arguments of their own; empty uses the real command line.
    static std::optional<std::vector<std::string>> ArgsOverride;
    // Registry key of the settings under HKEY_CURRENT_USER (tests use a key of their own).
    static std::string RegistryKeyPath;

    // Counters of the one-second tick that only the main window keeps; the link's state
    // (StartupPending, CommBusy, CallEnded, ...) is in link/uVar.h.
    std::int32_t DialCountdown = 0;
    std::int32_t HangupCountdown = 0;
    std::int32_t SampleCountdown = 0;
    std::int32_t LastHour = 0;

    std::int32_t PhoneListLine = 1;
    std::int32_t VoltageMultiplier = 4;
    std::string SaveFileName;
    std::string ModemSetString;
    std::string SelectedTapiDevice;
    bool AlarmBeep = false;
    bool AlarmDial = false;
    bool PortNumChanging = false;
    bool PhoneGridUpdating = false;
    bool DialEditUpdating = false;
    // The four graph traces (history graph window).
    std::int32_t TraceSelection[4] = {0, 0, 0, 0};
    // The port number and baud rate the com port is set to (it is not opened at start). The
    // com port component takes these over once it is built in.
    std::int32_t ComportNumber = 1;
    std::int32_t ComportBaud = 9600;

    // Where the tick reads the time and the free space (tests put their own in).
    std::unique_ptr<TimerHost> TimerHostImpl;

private:
    TimerVars timerVars_;
    bool debugSwitch_ = false;
    void BuildBars();
    void BuildPanels();
};

extern Tmainform* mainform;

// True when the first argument, lower-cased, is "-debug".
bool IsDebugSwitch(const std::vector<std::string>& args);

void mainInitialization();

}  // namespace talvik
