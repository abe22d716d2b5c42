// The main window: tool bar, status bar and the slide-in panels, the program's start-up and
// shut-down, languages, registry settings and the one-second tick.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include "link/qvLink.h"
#include "serial/KsPort.h"
#include "serial/KsTapi.h"
#include "toolkit/comctrls.h"
#include "toolkit/dialogs.h"
#include "toolkit/grids.h"
#include "ui/report.h"
#include "controls/XcSpin.h"
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
    TXcSpinEdit *spinSendAddress, *spinSendData;
    TButton* singsend;

    // Hidden report editor, timer, tools menu
    TRichEdit* Saveedit;
    TTimer Timer1;
    // Ends the hold of a refusal on panel 5 (see ShowRefusal).
    TTimer StatusHoldTimer;
    TPopupMenu puTools;
    TMenuItem *Single1, *Options1;

    std::unique_ptr<IniStore> RegIni;

    // The serial line and the regulator link over it. Declared in this order so that the link
    // goes before its listener and the port it uses, and the telephony device before the port
    // it opens on a call; both are listed as components of KslComponents.
    TKslBaseComponent KslComponents;
    std::unique_ptr<TKslComPort> Comport;
    std::unique_ptr<TKslTapiDevice> tapi1;
    std::unique_ptr<TLinkListener> LinkListener;
    std::unique_ptr<TLink> Link;

    // Handlers
    void FormCreate(TForm*);
    void FormActivate(TForm*);
    // Closing while a write runs asks first, and a confirmed close ends the write cleanly
    // (mainClose.cpp).
    void FormCloseQuery(TForm*, bool& canClose);
    // Ends the transfer for a confirmed close; true when the write of an unlock frame went.
    bool StopTransferForClose();
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
    void ToolButton11Click();
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
    void udDirectComPortNumChangingEx(bool& allow, int newValue, TUpDown::Direction direction);
    void udModemComPortNumChangingEx(bool& allow, int newValue, TUpDown::Direction direction);
    void baudboxChange();
    void SetupeditChange();
    void SamplecheckClick();
    void dialupcheckClick();
    void sitebuttonClick();
    // A transfer (a read, a write, a programming run, a history test or clear, the second page
    // of a current-data pair on its way) or a dial holds the line. While it does, the regulator
    // it talks to and the port and speed it talks on are not changed from the port, site and
    // single-command panels.
    bool LineOwned() const;
    // True (and the status bar says so) when a change of the line must be taken back.
    bool RefuseLineChange();
    // Single-command panel and site panel (mainSingle.cpp).
    void sendcomboChange();
    void reccapset();
    // The address and data inputs (and their labels) that the chosen command needs.
    void singleinputsset();
    void DisplaySingleCommandWindow();
    void singsendClick();
    void SendSingleNumberKindExecute();
    // Replies in decimal and hexadecimal while the options window's number format is Hex.
    bool HexNumberFormat() const;
    void SitespinChange();
    // A spin edit's value rounded to an Integer ("Range check error" beyond 32 bits).
    static std::int32_t SpinInteger(const TXcSpinEdit* spin);
    // Captions of the port, log, site and single-command panels that follow the language
    // beyond setcaptions' table.
    void setpanelcaptions();
    // Options window: the main window's position as stored, kept on the screen.
    void MoveToStoredPosition(int left, int top);
    void AppHint();
    void AppShowHint(std::string& hintStr, bool& canShow, THintInfo& info);
    void Timer1Timer();
    // Hang-up of a modem call: the Hangup button and the one-second tick's HangupRequested.
    void HangupClick();
    void DialbuttonClick();
    // Dialling: through the telephony device while Tapicheck is checked, else the AT modem.
    void dialup(const std::string& Caller);
    // The call up (if any) was placed by the periodic log, which hangs it up after its record.
    bool LogCall = false;
    // Telephony (mainTapi.cpp).
    void BuildTapiDevice();
    void ReleaseTapiDevice();
    void TapiDialbuttonClick();
    void TapiDialup(const std::string& Caller);
    void TapiHangupClick();
    void tapi1TapiConnect();
    void tapi1TapiPortOpen();
    void tapi1TapiPortClose();
    void tapi1TapiFail();
    void modemselectset();
    void TapicheckClick();
    void TapiselbuttonClick();
    // A call is being dialled, is up, is being hung up, or the telephony device still waits
    // to try it again: the way it was placed (TAPI box, telephony device, modem port, set-up
    // string) cannot change under it.
    bool CallActive() const;
    // Enables those four controls exactly while no call is active.
    void UpdateCallControls();
    // The call was placed through the telephony device (else through the AT modem); the
    // hang-up follows it, not the TAPI box as it is now.
    bool CallByTapi = false;

    // Starts a read of data kind Kind (2..11) for the window named Sender (its class name).
    void Getdata(const std::string& Sender, std::int32_t Kind);
    // (Re)opens the com port on PortNumber with the line format of the port panel.
    void portset(std::uint16_t PortNumber);
    // Asks the current-data window for its first page (2) or its list page (3).
    void RequestCurrentPage(std::int32_t Kind);
    // The same request made once the event that asks for it has ended (see WndProc).
    void PostCurrentPageRequest(std::int32_t Kind);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Save panel (mainSave.cpp). Savebutton enabled exactly when a group is chosen.
    void SaveButtonAvailable();
    void layoutsavepanel();
    void SavebuttonClick();
    void btnSaveClick();
    void PrintbuttonClick();
    void ReadbuttonClick();
    // The log panel's view button: the viewer shows the log file.
    void LogreadClick();
    // A group counts when its box is checked and enabled and the group holds data.
    bool SaveGroupChosen(TCheckBox* box) const;
    bool AnySaveGroupChosen() const;
    // The viewer shows the log file (true) or the report file (false).
    bool ReadFromLogName = false;
    // The save panel, data-valid flags and current texts as a report or log record needs them.
    ReportContext ReportContextNow();
    // Settings file panel: save and load the memory image, and close the panel.
    void qvsetbuttonClick();
    void setcancelbutClick();
    void setsavebbutClick();
    void setgetbbutClick();
    // Panel 5 of the status bar: the link's messages.
    void ShowStatus(const std::string& text);
    // A refusal the user has to read: it stays on panel 5 for a while even as a running read
    // counts on (its texts show when the hold ends).
    void ShowRefusal(const std::string& text);
    // One system beep; tests count them.
    static std::function<void()> SystemBeep;

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
    // (StartupPending, CommBusy, CallEnded, DialCountdown, HangupCountdown, ...) is in link/uVar.h.
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
    // The site number and baud index in use, shown again when a change is refused.
    std::int32_t SiteInUse = 0;
    std::int32_t BaudIndexInUse = 0;
    // A refused check-box change is being taken back (its click handler runs again).
    bool LineChangeReverting = false;
    // Setupedit shows the telephony device's name rather than the AT set-up string.
    bool SetupeditShowsTapiDevice = false;
    bool PhoneGridUpdating = false;
    bool DialEditUpdating = false;
    // The four graph traces (history graph window).
    std::int32_t TraceSelection[4] = {0, 0, 0, 0};
    // Where the tick reads the time and the free space (tests put their own in).
    std::unique_ptr<TimerHost> TimerHostImpl;

private:
    TimerVars timerVars_;
    StatusPanelHold statusHold_;
    bool debugSwitch_ = false;
    // A close that came while the link was in the middle of a step (see FormCloseQuery).
    bool closePutOff_ = false;
    // The question whether to stop writing and close stands.
    bool closeAsked_ = false;
    // The close was taken: the program is ending.
    bool closing_ = false;
    void BuildBars();
    void BuildPanels();
};

extern Tmainform* mainform;

// True when the first argument, lower-cased, is "-debug".
bool IsDebugSwitch(const std::vector<std::string>& args);

void mainInitialization();

}  // namespace talvik
