// The main window's one-second tick (Timer1Timer) as plain logic: clock text, end of the
// start-up guard, the log-interval edit, the link's busy watchdog, the hang-up and dial
// countdowns, the pending log write and the hourly log sample. The clock, the free-space
// query and everything the tick does to windows or the link come in through TimerHost; the
// variables it counts are bound by reference so the program binds its globals and a test its
// own.
#pragma once

#include <cstdint>
#include <string>

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
    virtual std::int64_t FreeSpace() = 0;  // bytes free on the current drive
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
    virtual void Getdata(std::int32_t kind) = 0;                // with the timer as sender
    // The log write step's file side: the logedit text, whether that file exists, and writing
    // one record (load the existing rich-text log or start an empty one, buildlogreport, save).
    virtual std::string LogFileName() = 0;
    virtual bool FileExists(const std::string& name) = 0;
    virtual void WriteLogRecord(const std::string& name, bool newFile) = 0;
    virtual void Beep() = 0;                                    // one system beep
    // The busy watchdog of the link: counts BusyWatchdog down and, once it has run out,
    // releases the busy mark. The program hands this to the link, which also ends a write or
    // history run that got no further.
    virtual void BusyWatchdogTick(TimerVars& v);
};

// A new log file is made only when the drive has more than this many bytes free.
constexpr std::int64_t kLogMinFreeSpace = 2000;

// One tick, in the order the program relies on. File errors of the log write pass to the
// caller (the tick ends there; the pending write is already consumed).
void Timer1Timer(TimerVars& v, TimerHost& host);

// The log write step alone (run by the tick when LogWritePending is set).
void LogWriteStep(TimerVars& v, TimerHost& host);

}  // namespace talvik
