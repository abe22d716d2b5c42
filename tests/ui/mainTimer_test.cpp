// The one-second tick against a recording host: each step's effect on the link variables and
// on what the main window is told.
#include "ui/mainTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/debugchannel.h"
#include "ui/lang.h"

namespace talvik {
namespace {

struct Vars {
    bool StartupPending = true, CommBusy = false, HangupRequested = false, LogDial = false,
         ReadOnConnect = false, CallEnded = true, LogWritePending = false, LoggingRead = false,
         DirectMode = true, Online = false;
    std::int32_t BusyWatchdog = 0, DialCountdown = 0, HangupCountdown = 0, SampleCountdown = 2,
                 LastHour = 0;
    TimerVars Bind() {
        return TimerVars{StartupPending, CommBusy,        BusyWatchdog,  HangupRequested, DialCountdown,
                         LogDial,        HangupCountdown, ReadOnConnect, CallEnded,       LogWritePending,
                         LoggingRead,    DirectMode,      Online,        SampleCountdown, LastHour};
    }
};

struct Host : TimerHost {
    int hour = 0;
    std::int64_t free = 1 << 20;
    bool sample = true, dialup = false, exists = false, failWrite = false;
    std::vector<std::string> failures;
    std::int32_t rate = 2;
    std::string clock, waitText;
    bool rateEnabled = false;
    std::vector<std::string> calls;

    TimerNow Now() override { return {hour, "10:30:00   07/12/2026"}; }
    void SetClockText(const std::string& t) override { clock = t; }
    void comstatusupdate() override { calls.push_back("comstatusupdate"); }
    bool SampleChecked() override { return sample; }
    std::int32_t RateValue() override { return rate; }
    void SetRateEnabled(bool e) override { rateEnabled = e; }
    void SetWaitTimeText(const std::string& t) override { waitText = t; }
    bool DialupChecked() override { return dialup; }
    void HangupClick() override { calls.push_back("HangupClick"); }
    void DialupForLog() override { calls.push_back("dialup"); }
    bool logCall = false;
    bool LogCallUp() override { return logCall; }
    bool retrying = false;
    bool CallRetrying() override { return retrying; }
    void Getdata(std::int32_t kind) override { calls.push_back("Getdata " + std::to_string(kind)); }
    std::string logName = "LogFile";
    std::string LogFileName() override { return logName; }
    std::string CsvFileName() override { return "LOGFILE.CSV"; }
    bool FileExists(const std::string&) override { return exists; }
    std::vector<std::string> folders;  // the folders that exist; every one asked about is noted
    std::vector<std::string> foldersAsked;
    bool FolderExists(const std::string& f) override {
        foldersAsked.push_back(f);
        return std::find(folders.begin(), folders.end(), f) != folders.end();
    }
    bool IsRichTextFile(const std::string&) override { return true; }
    std::int64_t FreeSpace(const std::string& name) override {
        calls.push_back("free " + name);
        return free;
    }
    void BuildLogRecord(const std::string& name, bool loadExisting) override {
        calls.push_back("build " + name + (loadExisting ? " after the log" : " alone"));
    }
    void SaveLogRecord(const std::string& name) override {
        if (failWrite) throw std::runtime_error("I/O error 5");
        calls.push_back("save " + name);
    }
    void AppendCsvRow() override { calls.push_back("csv"); }
    void LogWriteFailed(const std::string& message) override { failures.push_back(message); }
    void Beep() override { calls.push_back("beep"); }
    int Count(const std::string& c) const {
        int n = 0;
        for (auto& s : calls) n += s == c;
        return n;
    }
};

// One tick with the debug channel silenced (the trace itself is checked separately).
void Tick(Vars& v, Host& h) {
    TimerVars b = v.Bind();
    auto old = SetDebugSink([](std::string_view) {});
    try {
        Timer1Timer(b, h);
    } catch (...) {
        SetDebugSink(old);
        throw;
    }
    SetDebugSink(old);
}

TEST(OneSecondTimer, ShowsTheClockEndsTheStartupGuardAndTracesEachTick) {
    std::vector<std::string> lines;
    auto old = SetDebugSink([&](std::string_view l) { lines.emplace_back(l); });
    Vars v;
    Host h;
    h.sample = false;
    TimerVars b = v.Bind();
    Timer1Timer(b, h);
    SetDebugSink(old);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "timer event start");
    EXPECT_EQ(h.clock, "10:30:00   07/12/2026");
    EXPECT_FALSE(v.StartupPending);
    EXPECT_EQ(h.Count("comstatusupdate"), 1);
    EXPECT_FALSE(h.rateEnabled);
}

TEST(OneSecondTimer, ALoweredRateShortensTheCountdownAtOnce) {
    Vars v;
    Host h;
    v.SampleCountdown = 20;
    h.rate = 2;
    h.hour = 0;  // no hour change
    Tick(v, h);
    EXPECT_EQ(v.SampleCountdown, 2);
    EXPECT_EQ(h.waitText, "  2");
    EXPECT_TRUE(h.rateEnabled);
    h.rate = 24;  // raising the rate does not lengthen the running countdown
    Tick(v, h);
    EXPECT_EQ(h.waitText, "  2");
}

TEST(OneSecondTimer, WatchdogReleasesABusyLinkAtTheEleventhTick) {
    Vars v;
    Host h;
    v.CommBusy = true;
    v.BusyWatchdog = 25;  // anything above 10 counts as 10
    for (int i = 0; i < 10; ++i) {
        Tick(v, h);
        EXPECT_TRUE(v.CommBusy) << i;
    }
    EXPECT_EQ(v.BusyWatchdog, 0);
    Tick(v, h);
    EXPECT_FALSE(v.CommBusy);
}

// The program hands the watchdog to the link: the tick then leaves the busy mark to it, once
// a tick, before the hang-up and the hour change.
TEST(OneSecondTimer, WatchdogGoesToTheHostWhenItTakesIt) {
    struct LinkHost : Host {
        void BusyWatchdogTick(TimerVars& v) override {
            calls.push_back("watchdog " + std::to_string(v.BusyWatchdog));
        }
    };
    Vars v;
    LinkHost h;
    v.CommBusy = true;
    v.BusyWatchdog = 0;
    v.HangupRequested = true;
    Tick(v, h);
    EXPECT_TRUE(v.CommBusy);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"comstatusupdate", "watchdog 0", "HangupClick"}));
}

TEST(OneSecondTimer, HangupRequestAndCallCountdown) {
    Vars v;
    Host h;
    v.HangupRequested = true;
    Tick(v, h);
    EXPECT_EQ(h.Count("HangupClick"), 1);

    // Countdown reaching 0 with a read that followed the connection: hang up at the next tick.
    Vars w;
    Host g;
    w.HangupCountdown = 200;  // limited to 60
    w.ReadOnConnect = true;
    w.CallEnded = false;
    for (int i = 0; i < 59; ++i) Tick(w, g);
    EXPECT_EQ(w.HangupCountdown, 1);
    EXPECT_FALSE(w.HangupRequested);
    Tick(w, g);
    EXPECT_EQ(w.HangupCountdown, 0);
    EXPECT_FALSE(w.ReadOnConnect);
    EXPECT_TRUE(w.HangupRequested);
    EXPECT_EQ(g.Count("HangupClick"), 0);
    Tick(w, g);
    EXPECT_EQ(g.Count("HangupClick"), 1);

    // Reaching 0 with ReadOnConnect clear does nothing.
    Vars x;
    Host k;
    x.HangupCountdown = 1;
    x.CallEnded = false;
    Tick(x, k);
    EXPECT_FALSE(x.HangupRequested);
    // A call already ended is not hung up again.
    Vars y;
    y.HangupCountdown = 1;
    y.ReadOnConnect = true;
    y.CallEnded = true;
    Tick(y, k);
    EXPECT_FALSE(y.ReadOnConnect);
    EXPECT_FALSE(y.HangupRequested);
}

TEST(OneSecondTimer, CallTimerWaitsWhileTheTelephonyDeviceWaitsToRetry) {
    // A log call whose first attempt was busy: the device's 60-second retry wait must not be
    // cut short by a 60-second call timer, or the log never gets its retries.
    Vars v;
    Host h;
    v.HangupCountdown = 60;
    v.ReadOnConnect = true;
    v.CallEnded = false;
    h.retrying = true;
    for (int i = 0; i < 90; ++i) Tick(v, h);
    EXPECT_EQ(v.HangupCountdown, 60);
    EXPECT_TRUE(v.ReadOnConnect);
    EXPECT_FALSE(v.HangupRequested);
    // Once the retry is under way the call timer runs again, and still ends a call that hangs.
    h.retrying = false;
    for (int i = 0; i < 60; ++i) Tick(v, h);
    EXPECT_TRUE(v.HangupRequested);
}

TEST(OneSecondTimer, DialCountdownRetriesWhileNoCallIsUp) {
    Vars v;
    Host h;
    v.DialCountdown = 3;
    v.LogDial = true;
    v.CallEnded = true;
    Tick(v, h);
    EXPECT_EQ(v.DialCountdown, 2);
    EXPECT_EQ(h.Count("dialup"), 1);
    v.CallEnded = false;
    Tick(v, h);
    EXPECT_EQ(h.Count("dialup"), 1);
    EXPECT_TRUE(v.LogDial);
    Tick(v, h);  // reaches 0
    EXPECT_TRUE(v.LogDial);
    Tick(v, h);  // now idle: the dial-up for the log is over
    EXPECT_FALSE(v.LogDial);
}

TEST(OneSecondTimer, PendingLogWriteAppendsOrCreatesBothLogs) {
    {
        Vars v;
        Host h;
        v.LogWritePending = true;
        h.exists = true;
        Tick(v, h);
        EXPECT_FALSE(v.LogWritePending);
        EXPECT_EQ(h.calls, (std::vector<std::string>{"comstatusupdate", "build LogFile after the log",
                                                      "save LogFile", "csv"}));
        EXPECT_TRUE(h.failures.empty());
    }
    {
        Vars v;
        Host h;
        v.LogWritePending = true;
        h.free = 2001;
        Tick(v, h);
        EXPECT_EQ(h.Count("free LogFile"), 1);  // the log's own drive
        EXPECT_EQ(h.Count("build LogFile alone"), 1);
        EXPECT_EQ(h.Count("save LogFile"), 1);
        Tick(v, h);  // consumed: written once
        EXPECT_EQ(h.Count("save LogFile"), 1);
        EXPECT_EQ(h.Count("csv"), 1);
    }
}

// The window test writes real files; the one case it cannot make is a full disk.
TEST(OneSecondTimer, NoRoomForANewLogBeepsAndStillWritesTheCsvRow) {
    Vars v;
    Host h;
    v.LogWritePending = true;
    h.free = 2000;  // exactly 2000 is not enough
    h.hour = 5;
    Tick(v, h);
    EXPECT_EQ(h.Count("beep"), 3);
    EXPECT_EQ(h.Count("save LogFile"), 0);
    EXPECT_EQ(h.Count("csv"), 1);
    ASSERT_EQ(h.failures.size(), 1u);
    EXPECT_EQ(h.failures[0], "The log record was not written to:\r\nLogFile: not enough free disk space");
    EXPECT_EQ(v.LastHour, 5);  // the tick went on
}

TEST(OneSecondTimer, ALogInAMissingFolderIsRefusedByThatFolderNotByDiskSpace) {
    Vars v;
    Host h;
    h.logName = "C:\\TALVIK\\NO SUCH\\QVLOG.RTF";
    h.folders = {"C:\\TALVIK"};
    h.free = 0;  // what the free-space probe gives for a folder that is not there
    v.LogWritePending = true;
    Tick(v, h);
    EXPECT_EQ(h.foldersAsked, (std::vector<std::string>{"C:\\TALVIK\\NO SUCH"}));
    EXPECT_EQ(h.Count("beep"), 0);
    EXPECT_EQ(h.Count("free " + h.logName), 0);
    EXPECT_EQ(h.Count("save " + h.logName), 0);
    EXPECT_EQ(h.Count("csv"), 1);  // the row still goes on
    ASSERT_EQ(h.failures.size(), 1u);
    EXPECT_EQ(h.failures[0], "The log record was not written to:\r\nC:\\TALVIK\\NO SUCH\\QVLOG.RTF: "
                             "the folder C:\\TALVIK\\NO SUCH does not exist");

    // In the user's language, the whole message.
    LanguageNumber = LangGerman;
    v.LogWritePending = true;
    Tick(v, h);
    LanguageNumber = LangEnglish;
    ASSERT_EQ(h.failures.size(), 2u);
    EXPECT_EQ(h.failures[1], "Der Protokolleintrag wurde nicht geschrieben in:\r\nC:\\TALVIK\\NO SUCH\\QVLOG.RTF: "
                             "der Ordner C:\\TALVIK\\NO SUCH existiert nicht");
}

TEST(OneSecondTimer, TheFolderOfALogNameIsWhatTheUserWouldCallIt) {
    EXPECT_EQ(LogFolderOf("C:\\LOGS\\QV.RTF"), "C:\\LOGS");
    EXPECT_EQ(LogFolderOf("C:\\QV.RTF"), "C:\\");
    EXPECT_EQ(LogFolderOf("D:/site logs/QV.RTF"), "D:/site logs");
    EXPECT_EQ(LogFolderOf("QV.RTF"), "");  // the current folder, which is there
}

// A refusal stands on panel 5 while a read's texts come; the last of them shows when it ends,
// however many refusals came meanwhile.
TEST(StatusPanelHoldTest, ARefusalStaysReadableAndTheLatestTextFollowsIt) {
    StatusPanelHold hold;
    EXPECT_TRUE(hold.Pass("Request Sent", 100));  // nothing held: texts show at once
    hold.Hold(1000);
    EXPECT_TRUE(hold.Holding());
    EXPECT_FALSE(hold.Pass("Request Sent", 1025));
    EXPECT_FALSE(hold.Pass("3 Data Received", 2100));
    EXPECT_EQ(hold.Expire(2999), std::nullopt);  // a second later and more: still the refusal
    EXPECT_TRUE(hold.Holding());
    EXPECT_EQ(hold.Expire(3000), std::optional<std::string>("3 Data Received"));
    EXPECT_FALSE(hold.Holding());
    EXPECT_TRUE(hold.Pass("Request Sent", 3001));

    // A second refusal starts the time again; the read's outcome that waited still shows after it.
    hold.Hold(5000);
    EXPECT_FALSE(hold.Pass("Request Sent", 5200));
    EXPECT_FALSE(hold.Pass("1 Data Received", 5500));
    hold.Hold(6000);
    EXPECT_EQ(hold.Expire(7500), std::nullopt);
    EXPECT_EQ(hold.Expire(8000), std::optional<std::string>("1 Data Received"));
    EXPECT_FALSE(hold.Holding());

    // Refusals with nothing coming between them leave the refusal shown.
    hold.Hold(8500);
    hold.Hold(9000);
    EXPECT_EQ(hold.Expire(11000), std::nullopt);
    EXPECT_FALSE(hold.Holding());

    // A text that comes after the time ran out, before the timer ended the hold, shows itself.
    hold.Hold(10000);
    EXPECT_FALSE(hold.Pass("Request Sent", 10100));
    EXPECT_TRUE(hold.Pass("Data Received", 12000));
    EXPECT_FALSE(hold.Holding());
    EXPECT_EQ(hold.Expire(12100), std::nullopt);

    // The tick count wraps about every 49 days.
    hold.Hold(0xFFFFFF00u);
    EXPECT_FALSE(hold.Pass("Request Sent", 0x100u));
    EXPECT_EQ(hold.Expire(0x6CFu), std::nullopt);
    EXPECT_EQ(hold.Expire(0x6D0u), std::optional<std::string>("Request Sent"));
}

TEST(OneSecondTimer, FirstTickAfterMidnightHourStartsNoLogButOtherHoursDo) {
    Vars v;
    Host h;
    v.SampleCountdown = 1;
    h.rate = 1;
    h.hour = 0;  // 00:30
    Tick(v, h);
    EXPECT_EQ(h.Count("Getdata 3"), 0);
    h.hour = 1;  // 01:00
    Tick(v, h);
    EXPECT_EQ(h.Count("Getdata 3"), 1);
    EXPECT_TRUE(v.LoggingRead);
    EXPECT_EQ(v.SampleCountdown, 1);

    Vars w;
    Host g;
    w.SampleCountdown = 1;
    g.rate = 1;
    g.hour = 10;  // 10:30
    Tick(w, g);
    EXPECT_EQ(g.Count("Getdata 3"), 1);
    EXPECT_EQ(w.LastHour, 10);
}

TEST(OneSecondTimer, HourChangeWaitsForTheLinkAndCountsOnce) {
    Vars v;
    Host h;
    v.SampleCountdown = 5;
    h.rate = 5;
    v.CommBusy = true;
    v.BusyWatchdog = 10;
    h.hour = 3;
    Tick(v, h);
    EXPECT_EQ(v.LastHour, 0);
    EXPECT_EQ(v.SampleCountdown, 5);
    h.hour = 4;  // a second hour passes while still busy
    Tick(v, h);
    EXPECT_EQ(v.SampleCountdown, 5);
    v.CommBusy = false;
    v.BusyWatchdog = 0;
    Tick(v, h);
    EXPECT_EQ(v.LastHour, 4);
    EXPECT_EQ(v.SampleCountdown, 4);
    Tick(v, h);
    EXPECT_EQ(v.SampleCountdown, 4);
}

TEST(OneSecondTimer, LogStartsByDialWhenAskedOrOnlyOnAnUsableLine) {
    auto run = [](bool dialup, bool logDial, bool direct, bool online, Vars& v, Host& h) {
        v.SampleCountdown = 1;
        v.LogDial = logDial;
        v.DirectMode = direct;
        v.Online = online;
        h.dialup = dialup;
        h.rate = 3;
        h.hour = 7;
        Tick(v, h);
    };
    {
        Vars v;
        Host h;
        run(true, false, false, false, v, h);
        EXPECT_EQ(h.Count("dialup"), 1);
        EXPECT_EQ(h.Count("Getdata 3"), 0);
        EXPECT_EQ(v.SampleCountdown, 3);
    }
    {
        // Modem line without a call: nothing starts, but the interval restarts.
        Vars v;
        Host h;
        run(false, false, false, false, v, h);
        EXPECT_TRUE(h.calls.size() == 1);  // comstatusupdate only
        EXPECT_FALSE(v.LoggingRead);
        EXPECT_EQ(v.SampleCountdown, 3);
    }
    {
        Vars v;
        Host h;
        run(false, false, false, true, v, h);
        EXPECT_EQ(h.Count("Getdata 3"), 1);
    }
    {
        // Sampling off: the countdown runs down to 0 and stays there.
        Vars v;
        Host h;
        h.sample = false;
        v.SampleCountdown = 1;
        h.hour = 7;
        Tick(v, h);
        EXPECT_EQ(v.SampleCountdown, 0);
        h.hour = 8;
        Tick(v, h);
        EXPECT_EQ(v.SampleCountdown, 0);
        EXPECT_EQ(h.Count("Getdata 3"), 0);
        h.sample = true;  // checking it makes the next hour change start a log
        h.hour = 9;
        Tick(v, h);
        EXPECT_EQ(h.Count("Getdata 3"), 1);
    }
}

TEST(OneSecondTimer, ACallDialledForTheLogIsHungUpOnceItsRecordIsWritten) {
    Vars v;
    Host h;
    h.hour = 0;
    h.exists = true;
    // A call the user dialled stays up after a record.
    v.CallEnded = false;
    v.Online = true;
    v.LogWritePending = true;
    Tick(v, h);
    EXPECT_EQ(h.Count("save LogFile"), 1);
    EXPECT_FALSE(v.HangupRequested);
    // The log's own call is hung up at the next tick, even when the record could not be written.
    h.logCall = true;
    h.failWrite = true;
    v.LogWritePending = true;
    Tick(v, h);
    EXPECT_EQ(h.failures.size(), 1u);
    EXPECT_TRUE(v.HangupRequested);
    h.failWrite = false;
    Tick(v, h);
    EXPECT_EQ(h.Count("HangupClick"), 1);
    v.HangupRequested = false;  // as the hang-up itself does
    // With no call up there is nothing to hang up.
    v.CallEnded = true;
    v.LogWritePending = true;
    Tick(v, h);
    EXPECT_EQ(h.Count("HangupClick"), 1);
}

}  // namespace
}  // namespace talvik
