// The one-second tick (see mainTimer.h).
#include "ui/mainTimer.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"
#include "ui/lang.h"

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
    std::string text = LogWriteTextOf(lwNotWrittenTo, LanguageNumber);
    for (const std::string& f : failures) text += "\r\n" + f;
    return text;
}

std::string LogFolderOf(const std::string& name) {
    const auto slash = name.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    std::string folder = name.substr(0, slash);
    // A drive's or the machine's root keeps its separator: "C:" alone names another folder.
    if (folder.empty() || folder.back() == ':') folder = name.substr(0, slash + 1);
    return folder;
}

void LogWriteStep(TimerVars& v, TimerHost& host) {
    v.LogWritePending = false;
    const std::string name = host.LogFileName();
    std::vector<std::string> failed;
    // A reason that begins with the file's name (a read-only file's) is not given it twice.
    auto fail = [&failed](const std::string& file, const std::string& why) {
        failed.push_back(why.rfind(file, 0) == 0 ? why : file + ": " + why);
    };

    enum class Plan { Append, Create, Skip } plan = Plan::Skip;
    if (host.FileExists(name)) {
        // Loading a file of someone else's as rich text and saving it back would destroy it.
        if (host.IsRichTextFile(name))
            plan = Plan::Append;
        else
            fail(name, LogWriteTextOf(lwNotRichText, LanguageNumber));
    } else if (const std::string folder = LogFolderOf(name); !folder.empty() && !host.FolderExists(folder)) {
        // The drive of a missing folder has no free space to tell of: say what is really wrong.
        fail(name, Format(LogWriteTextOf(lwNoFolder, LanguageNumber).c_str(), folder.c_str()));
    } else if (host.FreeSpace(name) > kLogMinFreeSpace) {
        plan = Plan::Create;
    } else {
        // No room for a new log: the operator hears it.
        for (int i = 0; i < 3; ++i) host.Beep();
        fail(name, LogWriteTextOf(lwNoFreeSpace, LanguageNumber));
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

// What waits is kept: a second refusal must not cost the user the text that tells how a read
// ended, which may be the last the link sends.
void StatusPanelHold::Hold(std::uint32_t nowMs) {
    holding_ = true;
    since_ = nowMs;
}

bool StatusPanelHold::Pass(const std::string& text, std::uint32_t nowMs) {
    if (holding_ && RunOut(nowMs)) {
        holding_ = false;
        waiting_.reset();
    }
    if (!holding_) return true;
    waiting_ = text;
    return false;
}

std::optional<std::string> StatusPanelHold::Expire(std::uint32_t nowMs) {
    if (!holding_ || !RunOut(nowMs)) return std::nullopt;
    holding_ = false;
    std::optional<std::string> text;
    text.swap(waiting_);
    return text;
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
