// The one-second tick (see mainTimer.h).
#include "ui/mainTimer.h"

#include <algorithm>

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

void LogWriteStep(TimerVars& v, TimerHost& host) {
    v.LogWritePending = false;
    const std::string name = host.LogFileName();
    if (host.FileExists(name)) {
        host.WriteLogRecord(name, false);
    } else if (host.FreeSpace() > kLogMinFreeSpace) {
        host.WriteLogRecord(name, true);
    } else {
        // No room for a new log: this record is lost, the operator hears it.
        for (int i = 0; i < 3; ++i) host.Beep();
    }
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

    if (v.HangupCountdown > 0) {
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
