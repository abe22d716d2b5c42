// The one-second tick (see mainTimer.h).
#include "ui/mainTimer.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"

namespace talvik {

// A request that gets no further loses its busy mark at the eleventh tick after its last
// request frame.
void TimerHost::BusyWatchdogTick(TimerVars& v) {
    if (v.BusyWatchdog > 10) v.BusyWatchdog = 10;
    if (v.BusyWatchdog > 0)
        --v.BusyWatchdog;
    else
        v.CommBusy = false;
}

std::string LogWriteFailureMessage(const std::vector<std::string>& failures) {
    std::string text = "The log record was not written to:";
    for (const std::string& f : failures) text += "\r\n" + f;
    return text;
}

void LogWriteStep(TimerVars& v, TimerHost& host) {
    v.LogWritePending = false;
    const std::string name = host.LogFileName();
    std::vector<std::string> failed;
    auto fail = [&failed](const std::string& file, const std::string& why) { failed.push_back(file + ": " + why); };

    enum class Plan { Append, Create, Skip } plan = Plan::Skip;
    if (host.FileExists(name)) {
        // Loading a file of someone else's as rich text and saving it back would destroy it.
        if (host.IsRichTextFile(name))
            plan = Plan::Append;
        else
            fail(name, "not a rich-text log, left as it was");
    } else if (host.FreeSpace(name) > kLogMinFreeSpace) {
        plan = Plan::Create;
    } else {
        // No room for a new log: the operator hears it.
        for (int i = 0; i < 3; ++i) host.Beep();
        fail(name, "not enough free disk space");
    }

    if (plan == Plan::Append) {
        try {
            host.BuildLogRecord(name, true);
        } catch (const std::exception& e) {
            fail(name, e.what());
            plan = Plan::Skip;
        }
    }
    // The CSV row is built with the record, so it is built even when the log is skipped.
    if (plan != Plan::Append) host.BuildLogRecord(name, false);
    if (plan != Plan::Skip) {
        try {
            host.SaveLogRecord(name);
        } catch (const std::exception& e) {
            fail(name, e.what());
        }
    }
    try {
        host.AppendCsvRow();
    } catch (const std::exception& e) {
        fail(host.CsvFileName(), e.what());
    }
    if (!failed.empty()) host.LogWriteFailed(LogWriteFailureMessage(failed));
}

void Timer1Timer(TimerVars& v, TimerHost& host) {
    DebugChannel("timer event start");

    const TimerNow now = host.Now();
    host.SetClockText(now.clockText);

    v.StartupPending = false;
    host.comstatusupdate();

    const bool sampling = host.SampleChecked();
    host.SetRateEnabled(sampling);
    const std::int32_t rate = host.RateValue();
    // A shortened interval takes effect at once.
    if (rate < v.SampleCountdown) v.SampleCountdown = rate;
    host.SetWaitTimeText("  " + IntToStr(v.SampleCountdown));

    host.BusyWatchdogTick(v);

    if (v.HangupRequested) host.HangupClick();

    if (v.DialCountdown > 0) {
        v.DialCountdown = std::min(v.DialCountdown, 60) - 1;
        if (v.CallEnded) host.DialupForLog();  // dial retry
    } else {
        v.LogDial = false;
    }

    if (v.HangupCountdown > 0 && !host.CallRetrying()) {
        v.HangupCountdown = std::min(v.HangupCountdown, 60) - 1;
        if (v.HangupCountdown == 0 && v.ReadOnConnect) {
            v.ReadOnConnect = false;
            if (!v.CallEnded) v.HangupRequested = true;  // hang up at the next tick
        }
    }

    if (v.LogWritePending) {
        // A call dialled for the log has done its work once the record is in: left up, it would
        // run on (and cost) until someone hangs up, and the next log's dial would find it up and
        // read nothing. The hang-up follows at the next tick, whether the file could be written
        // or not.
        if (!v.CallEnded && host.LogCallUp()) v.HangupRequested = true;
        LogWriteStep(v, host);
    }

    // The hour change is taken only while the link is free; otherwise it is counted at the
    // first tick after the link is free.
    if (now.hour != v.LastHour && !v.CommBusy) {
        v.LastHour = now.hour;
        v.SampleCountdown = std::max(v.SampleCountdown - 1, 0);
        if (v.SampleCountdown < 1 && host.SampleChecked()) {
            v.SampleCountdown = host.RateValue();
            if (host.DialupChecked() && !v.LogDial && !v.ReadOnConnect) {
                host.DialupForLog();
            } else if (v.DirectMode || v.Online) {
                v.LoggingRead = true;
                host.Getdata(3);
            }
        }
    }
}

}  // namespace talvik
