// A telephony provider of the tests' own, built as TAPI32.DLL and loaded in place of Wine's
// (WINEDLLOVERRIDES="tapi32=n,b", the DLL beside the program). Its lines place calls that follow
// a scenario file, and a connected call hands over a real COM port, so a program talks to the
// regulator simulator over the "call".
//
// TALVIK_TAPI_SCENARIO names the scenario file (read again at every lineInitialize and
// lineMakeCall; a changed file resets the counters). Lines of key=value:
//   devices=Name|Name...   the lines offered (default "Fake Modem")
//   port=N                 the COM port a connected call hands over (default 1)
//   calls=a,b,...          outcome of each call in turn, the last one repeating: connect, busy,
//                          noanswer, lostreply (no reply ever comes), hangup (connects, then the
//                          far end hangs up after hangupafter ms, default 3000), refused (the
//                          request is refused at once: LINEERR_CALLUNAVAIL), lineclosed
//                          (connects, then the service closes the line after hangupafter ms)
//   offer=MS               MS ms after a line opens, an incoming call is offered on it
//   offermedia=N           the offered call's media mode (default 16, data modem)
//   addline=Name           a line added while the program runs: announced (LINE_CREATE)
//   addafter=MS            that many ms after lineInitialize (default 200)
//   reinit=N               the next N lineInitialize answer LINEERR_REINIT
//   failinit=N             the next N lineInitialize answer LINEERR_NODRIVER
//   busyinit=N             the next N lineInitialize answer LINEERR_RESOURCEUNAVAIL (may pass)
// TALVIK_TAPI_LOG names a file to which every call made to the provider is appended, one line each.
//
// Messages reach the program as the telephony service delivers them: through the line callback,
// from a hidden window made on the thread that called lineInitialize, so only while that thread
// processes its messages.
#define TAPI_CURRENT_VERSION 0x00010004
#include <windows.h>
#include <tapi.h>
// The platform header maps some line function names to their A/W forms; the library's own entry
// points carry the plain names.
#undef lineGetCallInfo
#undef lineGetCountry
#undef lineGetDevCaps
#undef lineGetTranslateCaps
#undef lineOpen
#undef lineGetAddressCaps
#undef lineGetAddressStatus

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The partial build lacks two entry points, as an old or damaged library might.
#ifdef FAKE_TAPI_PARTIAL
#define PARTIAL_EXPORT extern "C"
#else
#define PARTIAL_EXPORT extern "C" __declspec(dllexport)
#endif
#define EXPORT extern "C" __declspec(dllexport)

namespace {

// Sizes of the version 1.4 structures.
constexpr DWORD kDevCapsFixed = 240;
constexpr DWORD kCallInfoFixed = 296;
constexpr DWORD kCallStatusFixed = 36;

struct Scenario {
    std::vector<std::string> devices{"Fake Modem"};
    int port = 1;
    std::vector<std::string> calls{"connect"};
    DWORD hangupAfter = 3000;
    int reinit = 0;
    int failinit = 0;
    int busyinit = 0;
    DWORD offer = 0;
    DWORD offerMedia = LINEMEDIAMODE_DATAMODEM;
    std::string addLine;
    DWORD addAfter = 200;
};

struct App {
    HLINEAPP handle;
    LINECALLBACK callback;
};

struct Pending {
    DWORD due;
    HLINEAPP app;
    DWORD device;
    DWORD msg;
    DWORD_PTR instance;
    DWORD_PTR p1, p2, p3;
};

struct Call {
    HCALL handle;
    HLINE line;
    DWORD state = 0;
    bool idleSent = false;
    bool incoming = false;
};

struct Line {
    HLINE handle;
    HLINEAPP app;
    DWORD device;
    DWORD_PTR instance;
};

Scenario gScenario;
std::string gScenarioText;
int gCallsMade = 0;
std::vector<App> gApps;
std::vector<Line> gLines;
std::vector<Call> gCalls;
std::vector<Pending> gPending;
HWND gWindow = nullptr;
DWORD gNextApp = 0x1000, gNextLine = 0x2000, gNextCall = 0x3000;
LONG gNextRequest = 1;

// The environment as the process has it now (tests set it while running).
std::string Env(const char* name) {
    char buf[1024];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

void Log(const std::string& text) {
    const std::string path = Env("TALVIK_TAPI_LOG");
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fprintf(f, "%s\n", text.c_str());
        std::fclose(f);
    }
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> r;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(sep, start);
        r.push_back(s.substr(start, p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return r;
}

void ReadScenario() {
    const std::string path = Env("TALVIK_TAPI_SCENARIO");
    std::string text;
    if (!path.empty()) {
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[512];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
            std::fclose(f);
        }
    }
    if (text == gScenarioText) return;
    gScenarioText = text;
    gScenario = Scenario{};
    gCallsMade = 0;
    for (std::string line : Split(text, '\n')) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "devices") gScenario.devices = Split(value, '|');
        if (key == "port") gScenario.port = std::atoi(value.c_str());
        if (key == "calls") gScenario.calls = Split(value, ',');
        if (key == "hangupafter") gScenario.hangupAfter = static_cast<DWORD>(std::atoi(value.c_str()));
        if (key == "reinit") gScenario.reinit = std::atoi(value.c_str());
        if (key == "failinit") gScenario.failinit = std::atoi(value.c_str());
        if (key == "busyinit") gScenario.busyinit = std::atoi(value.c_str());
        if (key == "offer") gScenario.offer = static_cast<DWORD>(std::atoi(value.c_str()));
        if (key == "offermedia") gScenario.offerMedia = static_cast<DWORD>(std::atoi(value.c_str()));
        if (key == "addline") gScenario.addLine = value;
        if (key == "addafter") gScenario.addAfter = static_cast<DWORD>(std::atoi(value.c_str()));
    }
}

Line* FindLine(HLINE h) {
    for (Line& l : gLines)
        if (l.handle == h) return &l;
    return nullptr;
}

Call* FindCall(HCALL h) {
    for (Call& c : gCalls)
        if (c.handle == h) return &c;
    return nullptr;
}

void Queue(DWORD delay, HLINEAPP app, DWORD device, DWORD msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
           DWORD_PTR p3) {
    gPending.push_back(Pending{GetTickCount() + delay, app, device, msg, instance, p1, p2, p3});
}

void QueueReply(Line& line, LONG request, LONG result, DWORD delay = 20) {
    Queue(delay, line.app, 0, LINE_REPLY, line.instance, static_cast<DWORD_PTR>(request),
          static_cast<DWORD_PTR>(result), 0);
}

void QueueState(Line& line, HCALL call, DWORD delay, DWORD state, DWORD detail = 0) {
    Queue(delay, line.app, static_cast<DWORD>(call), LINE_CALLSTATE, line.instance, state, detail, 0);
}

// Nothing more arrives for a call that is dropped or gone.
void ForgetCallMessages(HCALL call) {
    for (std::size_t i = 0; i < gPending.size();)
        if (gPending[i].msg == LINE_CALLSTATE && gPending[i].device == static_cast<DWORD>(call))
            gPending.erase(gPending.begin() + static_cast<long>(i));
        else
            ++i;
}

void Deliver() {
    const DWORD now = GetTickCount();
    for (std::size_t i = 0; i < gPending.size(); ++i) {
        if (static_cast<LONG>(now - gPending[i].due) < 0) continue;
        const Pending p = gPending[i];
        gPending.erase(gPending.begin() + static_cast<long>(i));
        if (p.msg == LINE_CALLSTATE) {
            Call* c = FindCall(static_cast<HCALL>(p.device));
            if (!c) return;
            c->state = static_cast<DWORD>(p.p1);
        }
        if (p.msg == LINE_CLOSE) {
            // The service takes the line and its calls back before it tells the owner.
            if (!FindLine(static_cast<HLINE>(p.device))) return;
            Log("service closes the line");
            for (std::size_t k = 0; k < gCalls.size();)
                if (gCalls[k].line == static_cast<HLINE>(p.device))
                    gCalls.erase(gCalls.begin() + static_cast<long>(k));
                else
                    ++k;
            for (std::size_t k = 0; k < gLines.size(); ++k)
                if (gLines[k].handle == static_cast<HLINE>(p.device)) {
                    gLines.erase(gLines.begin() + static_cast<long>(k));
                    break;
                }
        }
        if (p.msg == LINE_CREATE && p.p1 == gScenario.devices.size()) {
            gScenario.devices.push_back(gScenario.addLine);
            Log("line added " + gScenario.addLine);
        }
        for (const App& a : gApps)
            if (a.handle == p.app) a.callback(p.device, p.msg, p.instance, p.p1, p.p2, p.p3);
        return;  // one message per pass: the program may have re-entered and changed the list
    }
}

LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_TIMER) {
        Deliver();
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

void EnsureWindow() {
    if (gWindow) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = GetModuleHandleA("tapi32.dll");
    wc.lpszClassName = "FakeTapiWindow";
    RegisterClassA(&wc);
    gWindow = CreateWindowExA(0, "FakeTapiWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetTimer(gWindow, 1, 20, nullptr);
}

template <class T>
void SetSizes(T* s, DWORD needed, DWORD used) {
    s->dwNeededSize = needed;
    s->dwUsedSize = used;
}

}  // namespace

EXPORT LONG WINAPI lineInitialize(LPHLINEAPP app, HINSTANCE, LINECALLBACK callback, LPCSTR name, LPDWORD devices) {
    ReadScenario();
    Log(std::string("lineInitialize ") + (name ? name : ""));
    if (gScenario.reinit > 0) {
        --gScenario.reinit;
        return LINEERR_REINIT;
    }
    if (gScenario.failinit > 0) {
        --gScenario.failinit;
        return LINEERR_NODRIVER;
    }
    if (gScenario.busyinit > 0) {
        --gScenario.busyinit;
        return LINEERR_RESOURCEUNAVAIL;
    }
    EnsureWindow();
    *app = reinterpret_cast<HLINEAPP>(static_cast<DWORD_PTR>(gNextApp++));
    gApps.push_back(App{*app, callback});
    *devices = static_cast<DWORD>(gScenario.devices.size());
    // A line added later is announced to the application as a whole (no line, no instance).
    if (!gScenario.addLine.empty() && std::find(gScenario.devices.begin(), gScenario.devices.end(),
                                                gScenario.addLine) == gScenario.devices.end())
        Queue(gScenario.addAfter, *app, 0, LINE_CREATE, 0, gScenario.devices.size(), 0, 0);
    return 0;
}

EXPORT LONG WINAPI lineShutdown(HLINEAPP app) {
    Log("lineShutdown " + std::to_string(reinterpret_cast<DWORD_PTR>(app)));
    for (std::size_t i = 0; i < gApps.size(); ++i)
        if (gApps[i].handle == app) {
            gApps.erase(gApps.begin() + static_cast<long>(i));
            return 0;
        }
    return LINEERR_INVALAPPHANDLE;
}

EXPORT LONG WINAPI lineNegotiateAPIVersion(HLINEAPP, DWORD device, DWORD low, DWORD high, LPDWORD version,
                                           LPLINEEXTENSIONID ext) {
    if (device >= gScenario.devices.size()) return LINEERR_BADDEVICEID;
    if (low > 0x00010004 || high < 0x00010004) return LINEERR_INCOMPATIBLEAPIVERSION;
    *version = 0x00010004;
    if (ext) std::memset(ext, 0, sizeof *ext);
    return 0;
}

EXPORT LONG WINAPI lineGetDevCaps(HLINEAPP, DWORD device, DWORD, DWORD, LPLINEDEVCAPS caps) {
    if (device >= gScenario.devices.size()) return LINEERR_BADDEVICEID;
    if (caps->dwTotalSize < kDevCapsFixed) return LINEERR_STRUCTURETOOSMALL;
    const std::string& name = gScenario.devices[device];
    const DWORD total = caps->dwTotalSize;
    std::memset(reinterpret_cast<char*>(caps) + 4, 0, kDevCapsFixed - 4);
    caps->dwTotalSize = total;
    caps->dwPermanentLineID = device;
    caps->dwStringFormat = STRINGFORMAT_ASCII;
    caps->dwAddressModes = LINEADDRESSMODE_ADDRESSID;
    caps->dwNumAddresses = 1;
    caps->dwBearerModes = LINEBEARERMODE_VOICE;
    caps->dwMaxRate = 9600;
    caps->dwMediaModes = LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_INTERACTIVEVOICE;
    caps->dwMaxNumActiveCalls = 1;
    caps->dwLineFeatures = LINEFEATURE_MAKECALL;
    const DWORD needed = kDevCapsFixed + static_cast<DWORD>(name.size()) + 1;
    if (total >= needed) {
        caps->dwLineNameOffset = kDevCapsFixed;
        caps->dwLineNameSize = static_cast<DWORD>(name.size()) + 1;
        std::memcpy(reinterpret_cast<char*>(caps) + kDevCapsFixed, name.c_str(), name.size() + 1);
        SetSizes(caps, needed, needed);
    } else {
        SetSizes(caps, needed, kDevCapsFixed);
    }
    return 0;
}

EXPORT LONG WINAPI lineOpen(HLINEAPP app, DWORD device, LPHLINE line, DWORD, DWORD, DWORD_PTR instance,
                            DWORD privileges, DWORD media, LPLINECALLPARAMS const) {
    Log("lineOpen " + std::to_string(device) + " privileges " + std::to_string(privileges) + " media " +
        std::to_string(media));
    if (device >= gScenario.devices.size()) return LINEERR_BADDEVICEID;
    *line = static_cast<HLINE>(gNextLine++);
    gLines.push_back(Line{*line, app, device, instance});
    if (gScenario.offer > 0) {
        Call c{static_cast<HCALL>(gNextCall++), *line};
        c.incoming = true;
        gCalls.push_back(c);
        Log("offering a call");
        QueueState(gLines.back(), c.handle, gScenario.offer, LINECALLSTATE_OFFERING);
    }
    return 0;
}

EXPORT LONG WINAPI lineSetStatusMessages(HLINE, DWORD, DWORD) { return 0; }

PARTIAL_EXPORT LONG WINAPI lineMakeCall(HLINE hline, LPHCALL call, LPCSTR number, DWORD,
                                                LPLINECALLPARAMS const params) {
    ReadScenario();
    Line* line = FindLine(hline);
    if (!line) return LINEERR_INVALLINEHANDLE;
    const std::size_t n = static_cast<std::size_t>(gCallsMade++);
    const std::string outcome = gScenario.calls[std::min(n, gScenario.calls.size() - 1)];
    Log("lineMakeCall " + std::string(number ? number : "") + " params " +
        std::to_string(params ? params->dwTotalSize : 0) + " " + outcome);
    *call = static_cast<HCALL>(gNextCall++);
    gCalls.push_back(Call{*call, hline});
    if (outcome == "refused") {
        gCalls.pop_back();
        --gNextCall;
        return LINEERR_CALLUNAVAIL;
    }
    const LONG request = gNextRequest++;
    if (outcome == "lostreply") return request;
    QueueReply(*line, request, 0);
    QueueState(*line, *call, 60, LINECALLSTATE_PROCEEDING);
    if (outcome == "busy") {
        QueueState(*line, *call, 300, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY);
    } else if (outcome == "noanswer") {
        QueueState(*line, *call, 600, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
    } else {
        QueueState(*line, *call, 400, LINECALLSTATE_CONNECTED);
        if (outcome == "hangup")
            QueueState(*line, *call, 400 + gScenario.hangupAfter, LINECALLSTATE_DISCONNECTED,
                       LINEDISCONNECTMODE_NORMAL);
        if (outcome == "lineclosed")
            Queue(400 + gScenario.hangupAfter, line->app, static_cast<DWORD>(hline), LINE_CLOSE, line->instance, 0,
                  0, 0);
    }
    return request;
}

EXPORT LONG WINAPI lineDrop(HCALL hcall, LPCSTR, DWORD) {
    Log("lineDrop");
    Call* call = FindCall(hcall);
    if (!call) return LINEERR_INVALCALLHANDLE;
    Line* line = FindLine(call->line);
    ForgetCallMessages(hcall);
    const LONG request = gNextRequest++;
    if (line) {
        QueueReply(*line, request, 0);
        QueueState(*line, hcall, 40, LINECALLSTATE_IDLE);
    }
    return request;
}

EXPORT LONG WINAPI lineDeallocateCall(HCALL hcall) {
    Log("lineDeallocateCall");
    ForgetCallMessages(hcall);
    for (std::size_t i = 0; i < gCalls.size(); ++i)
        if (gCalls[i].handle == hcall) {
            gCalls.erase(gCalls.begin() + static_cast<long>(i));
            return 0;
        }
    return LINEERR_INVALCALLHANDLE;
}

EXPORT LONG WINAPI lineClose(HLINE hline) {
    Log("lineClose");
    for (std::size_t i = 0; i < gLines.size(); ++i)
        if (gLines[i].handle == hline) {
            gLines.erase(gLines.begin() + static_cast<long>(i));
            return 0;
        }
    return LINEERR_INVALLINEHANDLE;
}

EXPORT LONG WINAPI lineGetID(HLINE, DWORD, HCALL hcall, DWORD select, LPVARSTRING id, LPCSTR deviceClass) {
    const std::string cls = deviceClass ? deviceClass : "";
    if (cls != "comm/datamodem" || select != LINECALLSELECT_CALL) return LINEERR_INVALDEVICECLASS;
    Call* call = FindCall(hcall);
    if (!call || call->state != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    const std::string name = "COM" + std::to_string(gScenario.port);
    const DWORD needed = sizeof(VARSTRING) + 4 + static_cast<DWORD>(name.size()) + 1;
    if (id->dwTotalSize < sizeof(VARSTRING)) return LINEERR_STRUCTURETOOSMALL;
    id->dwNeededSize = needed;
    id->dwStringFormat = STRINGFORMAT_BINARY;
    if (id->dwTotalSize < needed) {
        id->dwUsedSize = sizeof(VARSTRING);
        return 0;
    }
    HANDLE h = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    Log("lineGetID comm/datamodem " + name + (h == INVALID_HANDLE_VALUE ? " failed" : ""));
    if (h == INVALID_HANDLE_VALUE) return LINEERR_OPERATIONFAILED;
    id->dwUsedSize = needed;
    id->dwStringSize = 4 + static_cast<DWORD>(name.size()) + 1;
    id->dwStringOffset = sizeof(VARSTRING);
    char* p = reinterpret_cast<char*>(id) + sizeof(VARSTRING);
    std::memcpy(p, &h, 4);
    std::memcpy(p + 4, name.c_str(), name.size() + 1);
    return 0;
}

EXPORT LONG WINAPI lineGetCallInfo(HCALL hcall, LPLINECALLINFO info) {
    Call* call = FindCall(hcall);
    if (!call) return LINEERR_INVALCALLHANDLE;
    if (info->dwTotalSize < kCallInfoFixed) return LINEERR_STRUCTURETOOSMALL;
    const DWORD total = info->dwTotalSize;
    std::memset(reinterpret_cast<char*>(info) + 4, 0, kCallInfoFixed - 4);
    info->dwTotalSize = total;
    info->hLine = call->line;
    info->dwBearerMode = LINEBEARERMODE_VOICE;
    info->dwMediaMode = call->incoming ? gScenario.offerMedia : LINEMEDIAMODE_DATAMODEM;
    info->dwCallStates = call->state;
    info->dwOrigin = call->incoming ? LINECALLORIGIN_INBOUND : LINECALLORIGIN_OUTBOUND;
    SetSizes(info, kCallInfoFixed, kCallInfoFixed);
    return 0;
}

PARTIAL_EXPORT LONG WINAPI lineGetCallStatus(HCALL hcall, LPLINECALLSTATUS status) {
    Call* call = FindCall(hcall);
    if (!call) return LINEERR_INVALCALLHANDLE;
    if (status->dwTotalSize < kCallStatusFixed) return LINEERR_STRUCTURETOOSMALL;
    status->dwCallState = call->state;
    SetSizes(status, kCallStatusFixed, kCallStatusFixed);
    return 0;
}

EXPORT LONG WINAPI lineAccept(HCALL hcall, LPCSTR, DWORD) {
    Log("lineAccept");
    Call* call = FindCall(hcall);
    if (!call || !call->incoming) return LINEERR_INVALCALLHANDLE;
    Line* line = FindLine(call->line);
    const LONG request = gNextRequest++;
    if (line) {
        QueueReply(*line, request, 0);
        QueueState(*line, hcall, 40, LINECALLSTATE_ACCEPTED);
    }
    return request;
}
EXPORT LONG WINAPI lineAnswer(HCALL, LPCSTR, DWORD) { return LINEERR_OPERATIONUNAVAIL; }
