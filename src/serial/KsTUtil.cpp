// Run-time binding of "TAPI32": the module, its entry points and the wrappers over them.
#include "serial/KsTUtil.h"

#include <cstring>

#include "serial/KsTapiCore.h"

namespace talvik {

const char* const TapiEntryNames[TapiEntryCount] = {
    "lineGenerateTone", "lineMonitorTones", "lineSetCallParams", "lineHandoff", "lineMonitorMedia",
    "lineGenerateDigits", "lineMonitorDigits", "lineInitialize", "lineShutdown", "lineNegotiateAPIVersion",
    "lineGetDevCaps", "lineOpen", "lineMakeCall", "lineAccept", "lineAnswer", "lineDeallocateCall", "lineDrop",
    "lineClose", "lineGetCountry", "lineConfigDialog", "lineConfigDialogEdit", "lineGetID",
    "lineSetStatusMessages", "lineGetStatusMessages", "lineGetAddressCaps", "lineGetAddressStatus",
    "lineGetLineDevStatus", "lineGetDevConfig", "lineSetDevConfig", "lineGetCallInfo", "lineGetCallStatus",
    "lineSetMediaMode", "lineTranslateAddress", "lineTranslateDialog", "lineSetCurrentLocation",
    "lineSetTollList", "lineGetTranslateCaps"};

DWORD DevCapsSize = 240;
DWORD CallInfoSize = 296;
DWORD CallStatusSize = 36;
DWORD TranslateOutputSize = 40;
DWORD TranslateCapsSize = 44;
DWORD DevStatusSize = 88;
static_assert(sizeof(LINETRANSLATEOUTPUT) == 40 && sizeof(LINETRANSLATECAPS) == 44 && sizeof(LINEDEVSTATUS) == 88,
              "the first tries fit the fixed parts of the structures");

namespace {

HMODULE gModule = nullptr;
FARPROC gEntries[TapiEntryCount] = {};

// Frees the library when the program ends.
struct TUnitEnd {
    ~TUnitEnd() { UnloadTapi(); }
} gUnitEnd;

int IndexOf(const char* name) {
    for (int i = 0; i < TapiEntryCount; ++i)
        if (std::strcmp(TapiEntryNames[i], name) == 0) return i;
    return -1;
}

// The entry point as a function of type F: ok is false when the library or the entry is missing,
// with the code to answer in result.
template <class F>
F Bind(const char* name, LONG& result) {
    if (!LoadTapi()) {
        result = TapiLoadFail;
        return nullptr;
    }
    FARPROC p = TapiEntry(name);
    if (!p) {
        result = TapiGetAddrFail;
        return nullptr;
    }
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

}  // namespace

bool LoadTapi() {
    if (gModule) return true;
    HMODULE m = LoadLibraryA("TAPI32");
    if (!m) return false;
    for (int i = 0; i < TapiEntryCount; ++i) gEntries[i] = GetProcAddress(m, TapiEntryNames[i]);
    gModule = m;
    return true;
}

void UnloadTapi() {
    if (!gModule) return;
    for (FARPROC& p : gEntries) p = nullptr;
    FreeLibrary(gModule);
    gModule = nullptr;
}

FARPROC TapiEntry(const char* Name) {
    const int i = IndexOf(Name);
    return (gModule && i >= 0) ? gEntries[i] : nullptr;
}

#define TAPI_FORWARD(NAME, PARAMS, ARGS)                                  \
    LONG NAME PARAMS {                                                   \
        LONG r = 0;                                                      \
        using Fn = LONG(WINAPI*) PARAMS;                                 \
        Fn f = Bind<Fn>(#NAME, r);                                       \
        return f ? f ARGS : r;                                           \
    }

TAPI_FORWARD(lineInitialize,
             (LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback, LPCSTR lpszAppName,
              LPDWORD lpdwNumDevs),
             (lphLineApp, hInstance, lpfnCallback, lpszAppName, lpdwNumDevs))
TAPI_FORWARD(lineShutdown, (HLINEAPP hLineApp), (hLineApp))
TAPI_FORWARD(lineNegotiateAPIVersion,
             (HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
              LPDWORD lpdwAPIVersion, LPLINEEXTENSIONID lpExtensionID),
             (hLineApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion, lpdwAPIVersion, lpExtensionID))
TAPI_FORWARD(lineOpen,
             (HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion, DWORD dwExtVersion,
              DWORD_PTR dwCallbackInstance, DWORD dwPrivileges, DWORD dwMediaModes,
              LPLINECALLPARAMS const lpCallParams),
             (hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion, dwCallbackInstance, dwPrivileges,
              dwMediaModes, lpCallParams))
TAPI_FORWARD(lineMakeCall,
             (HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
              LPLINECALLPARAMS const lpCallParams),
             (hLine, lphCall, lpszDestAddress, dwCountryCode, lpCallParams))
TAPI_FORWARD(lineAccept, (HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize), (hCall, lpsUserUserInfo, dwSize))
TAPI_FORWARD(lineAnswer, (HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize), (hCall, lpsUserUserInfo, dwSize))
TAPI_FORWARD(lineDeallocateCall, (HCALL hCall), (hCall))
TAPI_FORWARD(lineDrop, (HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize), (hCall, lpsUserUserInfo, dwSize))
TAPI_FORWARD(lineClose, (HLINE hLine), (hLine))
TAPI_FORWARD(lineGetID,
             (HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, LPVARSTRING lpDeviceID,
              LPCSTR lpszDeviceClass),
             (hLine, dwAddressID, hCall, dwSelect, lpDeviceID, lpszDeviceClass))
TAPI_FORWARD(lineSetStatusMessages, (HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates),
             (hLine, dwLineStates, dwAddressStates))
TAPI_FORWARD(lineMonitorDigits, (HCALL hCall, DWORD dwDigitModes), (hCall, dwDigitModes))

#undef TAPI_FORWARD

// The helpers check their entry point like the wrappers do: a library without it must give its
// code, not a call through nothing.
LONG GetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                TTapiStruct<LINEDEVCAPS>& Caps) {
    using Fn = LONG(WINAPI*)(HLINEAPP, DWORD, DWORD, DWORD, LPLINEDEVCAPS);
    LONG r = 0;
    Fn f = Bind<Fn>("lineGetDevCaps", r);
    if (!f) {
        Caps.Buffer().clear();
        return r;
    }
    return FetchTapiStruct(
        DevCapsSize,
        [&](void* s) { return f(hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion, static_cast<LPLINEDEVCAPS>(s)); },
        Caps.Buffer());
}

LONG GetCallInfo(HCALL hCall, TTapiStruct<LINECALLINFO>& Info) {
    using Fn = LONG(WINAPI*)(HCALL, LPLINECALLINFO);
    LONG r = 0;
    Fn f = Bind<Fn>("lineGetCallInfo", r);
    if (!f) {
        Info.Buffer().clear();
        return r;
    }
    return FetchTapiStruct(CallInfoSize, [&](void* s) { return f(hCall, static_cast<LPLINECALLINFO>(s)); },
                           Info.Buffer());
}

LONG GetCallStatus(HCALL hCall, TTapiStruct<LINECALLSTATUS>& Status) {
    using Fn = LONG(WINAPI*)(HCALL, LPLINECALLSTATUS);
    LONG r = 0;
    Fn f = Bind<Fn>("lineGetCallStatus", r);
    if (!f) {
        Status.Buffer().clear();
        return r;
    }
    return FetchTapiStruct(CallStatusSize, [&](void* s) { return f(hCall, static_cast<LPLINECALLSTATUS>(s)); },
                           Status.Buffer());
}

}  // namespace talvik
