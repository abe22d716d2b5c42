// The regulator link: builds and sends request frames, runs the read, write, history and
// accessory sequences one timer-trigger firing at a time, and tells the windows what happened
// through TLinkListener. It reaches the port only through TKslComPortOps and keeps its state in
// the globals of uVar, as the windows read them directly. User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/qvDataGuard.h"
#include "serial/KsPortOps.h"

namespace talvik {

// Texts the link shows; the windows translate them (TLinkListener::Text).
enum class TLinkText {
    RequestSent,      // "Request Sent"
    DataReceived,     // "Data Received"
    Timeout,          // "Timeout"
    CantOpenPort,     // "Cant Open Port"
    CommFail,         // "Comm Fail"
    SendingData,      // "Sending Data"
    PortNotOpen,      // "Port Not Open"
    NoConnection,     // "No connection"
    PortOpen,         // "Port Open"
    PortSetOK,        // "Port Set OK"
    PortSetException, // "Cant open port-Port Set Exception"
    BadHandle,        // "Bad Handle"
    Reply,            // "Reply:"
    Site,             // "Site"
    Error,            // "Error"
    Send,             // "Send"
    ReadError,        // "Read Error"
    Checksum,         // "Checksum"
    ModemSetup,       // "Modem Setup"
    CantOpenModem,    // "Cant open port" (modem set-up)
    CantOpenCommPort, // "Cant open COMM port" (dial)
    Dialing,          // "Dialing"
    Carrier,          // "Carrier"
    WaitForClose,     // "Wait for Close"
    Break,            // "Break"
    HangUp,           // "Hang Up"
    Closed,           // "Closed"
    LineBusy,         // "Line busy with a transfer"
    HangupFailed,     // "Hang up failed - carrier still present"
    LineKept,         // "Line busy - not changed"
};
std::string EnglishLinkText(TLinkText Text);

// The save options that a completed read makes available.
enum class TSaveOption { Current, History, Calibration, Settings };

// What the link calls on the windows. Every method has a harmless default so a window set that
// is not complete yet (or a test) overrides only what it needs.
class TLinkListener {
public:
    virtual ~TLinkListener() = default;

    // Main window.
    virtual std::string Text(TLinkText T) { return EnglishLinkText(T); }
    virtual void ShowStatus(const std::string& /*Text*/) {}  // status-bar panel 5
    virtual void Beep() {}                                    // one system beep
    // Enables the save-option check box and runs SaveButtonAvailable.
    virtual void EnableSaveOption(TSaveOption /*Option*/) {}
    // Disables the save-option check box (its data is no longer valid) and runs SaveButtonAvailable.
    virtual void DisableSaveOption(TSaveOption /*Option*/) {}
    // Every group was marked not loaded (another regulator is addressed): all four save options
    // go, and the windows show their data as not read.
    virtual void DataInvalidated() {}
    virtual void DefaultCursor() {}
    virtual std::int32_t BaudIndex() { return 2; }   // baudbox index 0..3
    virtual std::int32_t PathDelay() { return 2; }   // TimedelayEdit, ticks 2..20
    virtual std::int32_t SiteNumber() { return 0; }  // Sitespin
    // Modem calls.
    virtual std::string ModemSetupText() { return {}; }  // Setupedit
    virtual bool PulseDial() { return false; }            // Pulsecheck
    virtual std::string DialNumber() { return {}; }      // dialedit
    virtual std::string LogNumber() { return {}; }       // Lognumedit
    virtual void CallButton(bool /*Connected*/) {}       // ToolButton9: image 11 connected, 7 idle
    virtual void ComStatusUpdate() {}                    // comstatusupdate: port and baud panels

    // Current-data window.
    virtual void CurrentLabelUpdate() {}        // labelupdate
    virtual void CurrentGetCurrent() {}         // getcurrent: asks for kind 2
    virtual void CurrentGetCurrentString() {}   // getCurrentString: asks for kind 3
    virtual void CurrentWaitHide() {}           // hide Waitlab, Waitlab1 and curprogress
    virtual void ProgressStep(std::int32_t /*Kind*/) {}  // curprogress (2, 3, 11) or waitprogress (10)

    // Settings and calibration editor.
    // A group read ended: grid colour, groupreaddone, cursor, sgrid2, qvbutton (enabled if Ok).
    virtual void GroupReadDone(std::int32_t /*Kind*/, bool /*Ok*/) {}
    virtual void CalibrationDone(bool /*Ok*/) {}   // caldisplay, cursor, sgrid2
    virtual void TriggerUpdate(std::int32_t /*Kind*/) {}
    // The write ended: Bulk releases qvbutton (group index 4), else sendbutton up and disabled.
    virtual void WriteEnded(bool /*Bulk*/) {}
    // First cell of sgrid2's last row: Failed shows Text on red; Append adds Text to the cell.
    virtual void WriteGridStatus(const std::string& /*Text*/, bool /*Append*/, bool /*Failed*/) {}

    // History graph window.
    virtual void GraphDraw() {}
    virtual void GraphClear() {}
    virtual void GraphScaleDraw() {}
    virtual void GraphWaitRepaint() {}  // repaint Waitlab during the read
    virtual void GraphReadEnded() {}    // hide waitprogress and Waitlab, repaint the window

    // Xal window.
    virtual void XalDisplay() {}   // Xaltodis
    virtual void XalLoadData() {}  // Loaddata
    virtual void XalReadError() {} // Checklab "Read Error" in red
    virtual void XalWriteStarted() {}  // Checklab "Send" on yellow
    virtual void XalWriteDone(const std::string& /*Checklab*/) {}  // Checklab in button face

    // Single-command panel.
    virtual std::int32_t SingleCommandIndex() { return -1; }  // sendcombo index
    virtual std::int32_t SingleCommandData() { return 0; }    // spinSendData, rounded
    virtual bool HexNumberFormat() { return false; }         // decimal-with-hexadecimal replies
    virtual void SetReplyCaption(const std::string& /*Text*/) {}  // Reccap
    virtual void SetReplyText(const std::string& /*Text*/) {}     // reclab
};

// Search direction of findcomport.
enum class TPortDirection { None, Up, Down };

// "\\.\COM<N>"
std::string comportname(std::int32_t N);
// First present port from Start on in Direction, or the first number outside 1..127. With no
// direction an absent Start gives -1 (the callers take only 0..127).
std::int16_t findcomport(std::int16_t Start, TPortDirection Direction,
                         const std::function<bool(std::int32_t)>& Present);

class TLink {
public:
    TLink(TKslComPortOps& Comport, TLinkListener& Listener);
    ~TLink();
    TLink(const TLink&) = delete;
    TLink& operator=(const TLink&) = delete;

    // Lets pending window messages run once; called after every send. The Win32 side installs
    // the application's message processing.
    std::function<void()> ProcessMessages;
    // Window events also run while the link waits inside an operation: after a frame is sent
    // (ProcessMessages) and while portset closes the port (the serial library lets messages
    // flow while its threads end). A handler among them finds the operation half done (a frame
    // out whose next step is not armed yet, a port between close and reopen), so whatever must
    // not run there (closing the program) is put off until OperationDone, which is called when
    // the outermost of those waits is over.
    bool InsideOperation() const { return operationDepth_ > 0; }
    std::function<void()> OperationDone;
    // Steps of the modem set-up and hang-up sequences, run by the dispatcher for their triggers.
    std::function<void(std::uint16_t Handle)> OnModemSetupTrigger;
    std::function<void(std::uint16_t Handle)> OnHangupTrigger;

    TKslComPortOps& Port() { return Comport; }

    // Frames and sending.
    std::string buildframe(std::int32_t Cmd, std::int32_t Addr, std::int32_t Data, bool Unlock);
    void sendcommand(std::int32_t Kind, std::int32_t Address, std::int32_t Data, bool Unlock);
    void CommSend(const std::string& Frame);
    std::uint8_t CommReceive();

    // (Re)opens the com port with PortNumber and the line format; never raises.
    void portset(std::uint16_t PortNumber);

    // Reads.
    void Getdata(const std::string& Sender, std::int32_t Kind);
    // The port's OnTriggerTimer handler: dispatch, then the settings editor's triggerupdate.
    void ComportTriggerTimer(std::uint16_t TriggerHandle);
    void ComportnTriggerTimer(std::uint16_t TriggerHandle);
    void ComportnTriggerTimer_GET(std::int32_t ReplyTicks, bool& Added, std::uint16_t& Handle);
    bool datamatch() const;
    void resendread();
    void readcomplete();
    void readfailed();
    void resetdestination();

    // Writes.
    bool writesettingchecked();
    bool startbulkload();
    bool settingssend(const std::string& Frame);
    std::string buildsettingframe(std::int32_t Step, std::int32_t Address, std::int32_t Value, bool Unlock,
                                  std::int32_t RamValue);
    void ComportnTriggerTimer_Set(std::int32_t ReplyTicks, std::int32_t LongTicks, std::int32_t ShortTicks,
                                  bool& Added, std::uint16_t& Handle);
    void writestep();
    void verifywrite(std::int32_t Address, std::int32_t Data);

    // Which regulator the frames go to now: the line (direct port or call) and the site.
    TRegulatorTarget CurrentTarget();
    // A read, write or history run holds the line (the pair's second page starts one of its own).
    bool TransferRunning() const;
    // A transfer starts: its site and frame format are fixed until it ends (TransferLine).
    void BeginTransfer();
    // The regulator addressed has changed (another port, a call, site number, single or site mode): every
    // group is marked not loaded and the windows withdraw the save options. The site-number and
    // mode handlers call it; FollowRegulator catches a change that no handler reported.
    void RegulatorChanged();
    // Brings the data-valid flags in line with the regulator addressed now: data read from
    // another one no longer counts. Runs before a read starts, a file is loaded or all is programmed.
    void FollowRegulator();
    // Programming the whole setting list may go ahead: every group it writes holds data read
    // from this regulator, or loaded from a settings file, since the program started.
    bool SettingListReady();
    // A transfer that writes the regulator's EEPROM holds the line: a setting write, programming
    // all, the accessory block, a history test or clear, or a single-command EEPROM write.
    bool EepromTransferRunning() const;
    // Ends whatever transfer holds the line, at once (the program closes, the watchdog, a port
    // failure). An unlock frame already out gets its parked write and nothing goes after it,
    // so the EEPROM is never left unlocked; true when that write was sent.
    bool StopTransfer();

    // Accessory block write (bytes 20 down to 8 of xaldata); false when nothing was sent.
    void setXALwritedelay();
    bool startxalwrite();

    // History test and clear, started by the single-command panel.
    bool starthistoryrun(bool Clear);  // false while busy
    void ComportnTriggerTimer_HISTLOAD(std::int32_t ReplyTicks, bool& Added, std::uint16_t& Handle);

    // Called by the one-second timer: counts BusyWatchdog down and releases a request or write
    // that got no further.
    void BusyWatchdogTick();

    // Modem calls over AT commands.
    // A read, write, dial or hang-up holds the line.
    bool LineBusy() const;
    void DialbuttonClick();
    void nontapimodemsetup();
    void ModemSetupEvent();
    void dialup(const std::string& Caller);  // Caller "log" or "dialbutton"
    void ComportTriggerModemStatus();
    void HangupClick();
    void HangupStep();
    void dialendset();

    // Waits of the current line: short, long and reply ticks.
    std::int32_t ShortTicks();
    std::int32_t LongTicks();
    std::int32_t ReplyTicks();

private:
    void Status(TLinkText T);
    void OpenPort(std::uint16_t PortNumber);  // portset's body
    // Before each frame of a transfer: the first fixes the port and speed, a later one on
    // another port or speed is refused (raises) so that the transfer ends.
    void CheckTransferLine();
    void Beeps(int Count);
    void DrainInput(const char* Trace);
    void RemoveTriggerChecked(bool& Added, std::uint16_t& Handle);
    // A write step met a port whose device has failed: the write has been stopped; say why.
    void EndOnDeviceFailure(const std::string& Reason);
    // A direct line to (re)open before a transfer starts: closed, or open on a failed device
    // (a port stays open after its device failed, and sends nothing until reopened).
    bool PortNeedsOpening();
    void SingleCommandReply(std::uint8_t Data, bool Received);
    void PairRule(bool Ok, bool Second);
    void SingleSettingStep();
    void BulkStep();
    // One firing of the bulk write's RAM phase for position SendCount: true once the position
    // is done with (its RAM copy read back as written, or the run aborted).
    bool RamCopyStep();
    // The RAM write of position SendCount, to be read back at the next firing.
    void SendRamCopy();
    void XalStep();
    void EndWrite(bool& Added, std::uint16_t& Handle);
    void AbandonRequest();
    void LeaveHistoryMode();
    void HistoryFailed();
    // Sends the write parked behind an unlock frame that is out, if any; true when it went.
    bool SendParkedWrite();
    void StartVerify();
    // Asks for the parked write's EEPROM byte back: the first of the replies that verify it.
    void AskReadBack();
    // What one firing found of the reply to a read-back request; the header and its data byte
    // may come in separate firings. Data is set when the reply is whole. Both read-backs of a
    // write (the EEPROM byte's and the RAM copy's) take their replies here.
    enum class ReadBackReply { Waiting, Data, WrongHeader, Silent };
    ReadBackReply TakeReadBackReply(std::int32_t& Data);
    // Bytes where no reply is due are dropped; outside site mode they fail the running attempt.
    void DropStrayBytes(const char* Trace);
    // Ends programming the list at once, with nothing more to go out.
    void AbortBulkLoad();
    // Counts the running write attempt as failed against the allowance, once per attempt.
    void CountAttemptError();
    // Takes what is waiting on the line into the read's count of bytes heard.
    void CountWaitingBytes();
    // A read whose line answers as no regulator would (more bytes than its requests asked
    // for, a day pointer that names no day) ends as a failed read at once.
    bool ReadLineFaulty(std::int32_t AcceptedAddress);
    void FailReadOnFaultyLine(bool& Added, std::uint16_t& Handle);

    // Counts the waits of InsideOperation around Body.
    template <class F>
    void Operation(F&& Body);
    std::int32_t operationDepth_ = 0;
    // The frame that closes a stopped transfer lets no window events run after it: nothing of
    // the transfer is left to run among them, and a handler could reopen the port under it.
    bool pumpAfterSend_ = true;

    // A regulator answers a request with two bytes at most and sends nothing unasked: what a
    // read has heard beyond two bytes a request (and a little noise) is a line that floods.
    std::int32_t readBytesHeard_ = 0, readBytesAsked_ = 0;

    TKslComPortOps& Comport;
    TLinkListener& Listener;
};

// The expected history byte at position N (1..211) of the test or clear pattern. Position 211,
// the day pointer, is always 0 so that the next history read starts at a valid day.
std::uint8_t historyvalue(std::int32_t N, bool Clear);

}  // namespace talvik
