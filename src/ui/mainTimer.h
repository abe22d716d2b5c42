// The main window's one-second tick (Timer1Timer) as plain logic: clock text, end of the
// start-up guard, the log-interval edit, the link's busy watchdog, the hang-up and dial
// countdowns, the pending log write and the hourly log sample. The clock, the free-space
// query and everything the tick does to windows or the link come in through TimerHost; the
// variables it counts are bound by reference so the program binds its globals and a test its
// own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talvik {

// The variables one tick reads and writes (link state and the main window's counters).
struct TimerVars {
    bool& StartupPending;
    bool& CommBusy;
    std::int32_t& BusyWatchdog;      // seconds
    bool& HangupRequested;
    std::int32_t& DialCountdown;     // seconds, at most 60
    bool& LogDial;
    std::int32_t& HangupCountdown;   // seconds, at most 60
    bool& ReadOnConnect;
    bool& CallEnded;
    bool& LogWritePending;
    bool& LoggingRead;
    bool& DirectMode;
    bool& Online;
    std::int32_t& SampleCountdown;   // hours to the next periodic log
    std::int32_t& LastHour;          // hour of the last counted hour change; starts at 0
};

// The local time as the tick needs it: the hour and the status-bar text
// (long time, three blanks, short date, in the system's formats).
struct TimerNow {
    int hour = 0;
    std::string clockText;
};

// What the tick uses of the main window, the link and the machine.
class TimerHost {
public:
    virtual ~TimerHost() = default;
    virtual TimerNow Now() = 0;
    virtual void SetClockText(const std::string& text) = 0;     // status panel 1
    virtual void comstatusupdate() = 0;
    virtual bool SampleChecked() = 0;                           // Samplecheck
    virtual std::int32_t RateValue() = 0;                       // rateedit, hours 1..48
    virtual void SetRateEnabled(bool enabled) = 0;
    virtual void SetWaitTimeText(const std::string& text) = 0;  // Waittimelab
    virtual bool DialupChecked() = 0;                           // dialupcheck
    virtual void HangupClick() = 0;
    virtual void DialupForLog() = 0;                            // dialup for the periodic log
    // The call that is up was dialled by the periodic log (not by the user).
    virtual bool LogCallUp() { return false; }
    // The telephony device waits to try the call again (its wait may be as long as the call
    // timer): the call timer holds until the call connects or fails.
    virtual bool CallRetrying() { return false; }
    virtual void Getdata(std::int32_t kind) = 0;                // with the timer as sender
    // The log write step's files: the rich-text log named on the log panel and the CSV log,
    // each as the full path it is written to.
    virtual std::string LogFileName() = 0;
    virtual std::string CsvFileName() = 0;
    virtual bool FileExists(const std::string& name) = 0;
    virtual bool FolderExists(const std::string& folder) = 0;
    // Whether an existing file is a rich-text document (only those are added to).
    virtual bool IsRichTextFile(const std::string& name) = 0;
    // Bytes free on the drive that holds (or will hold) the file; 0 when it cannot be asked.
    virtual std::int64_t FreeSpace(const std::string& name) = 0;
    // Builds one record in the report editor, after the existing log's content when
    // loadExisting, and the record's CSV row. Raises when the existing log cannot be read.
    virtual void BuildLogRecord(const std::string& name, bool loadExisting) = 0;
    // Replaces the rich-text log with the editor's document in one step; raises on failure,
    // leaving the earlier file whole.
    virtual void SaveLogRecord(const std::string& name) = 0;
    // Appends the record's row to the CSV log; raises on failure.
    virtual void AppendCsvRow() = 0;
    // Tells the user, in one message, which files did not get the record. A message still
    // standing from an earlier record is not joined by another: unattended logging would stack
    // one per period.
    virtual void LogWriteFailed(const std::string& message) = 0;
    virtual void Beep() = 0;                                    // one system beep
    // The busy watchdog of the link: counts BusyWatchdog down and, once it has run out,
    // releases the busy mark. The program hands this to the link, which also ends a write or
    // history run that got no further.
    virtual void BusyWatchdogTick(TimerVars& v);
};

// A new log file is made only when the drive has more than this many bytes free.
constexpr std::int64_t kLogMinFreeSpace = 2000;

// One tick, in the order the program relies on. A log file that cannot be written is named to
// the host and the tick goes on; the pending write is consumed either way.
void Timer1Timer(TimerVars& v, TimerHost& host);

// One message naming every log file that did not get its record ("name: reason" each), in
// the user's language.
std::string LogWriteFailureMessage(const std::vector<std::string>& failures);

// The folder a file name lies in, as the user would read it ("C:\LOGS" of "C:\LOGS\QV.RTF",
// "C:\" of "C:\QV.RTF"); empty for a bare name, which lies in the current folder.
std::string LogFolderOf(const std::string& name);

// The log write step alone (run by the tick when LogWritePending is set): each of the two log
// files that can take the record gets it; the others are named in one message.
void LogWriteStep(TimerVars& v, TimerHost& host);

// Panel 5 of the status bar keeps a refusal readable: while it is held, the texts that come
// (a read's progress count, its end) wait, and the last of them shows when the hold runs out.
// Nothing else waits: the link goes on as before. Times are a millisecond tick count that may
// wrap.
class StatusPanelHold {
public:
    static constexpr std::uint32_t kHoldMs = 2000;
    // The refusal shows now and stands for kHoldMs; a later refusal starts the time again and
    // keeps the text that waits.
    void Hold(std::uint32_t nowMs);
    // Whether text may show now; otherwise it is kept as the one to show when the hold ends.
    bool Pass(const std::string& text, std::uint32_t nowMs);
    // Ends a hold that has run its time; gives the text that waited, if any came.
    std::optional<std::string> Expire(std::uint32_t nowMs);
    bool Holding() const { return holding_; }

private:
    bool RunOut(std::uint32_t nowMs) const { return nowMs - since_ >= kHoldMs; }
    bool holding_ = false;
    std::uint32_t since_ = 0;
    std::optional<std::string> waiting_;
};

}  // namespace talvik
