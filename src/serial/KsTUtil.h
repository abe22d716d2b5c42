// The telephony library, bound at run time: "TAPI32" is loaded on first use and its line
// functions are looked up by name, so the program starts and works on the direct line on a
// system without telephony. Each wrapper answers -13931 when the library cannot be loaded and
// -13932 when it lacks the function; otherwise it is the telephony function itself. The three
// structure helpers fetch capabilities, call information and call status at the size they need.
#pragma once

#ifndef TAPI_CURRENT_VERSION
#define TAPI_CURRENT_VERSION 0x00010004
#endif
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

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace talvik {

inline constexpr LONG TapiLoadFail = -13931;
inline constexpr LONG TapiGetAddrFail = -13932;

// True when the library is loaded (loading it the first time it is asked for).
bool LoadTapi();
// Lets the library go; the next LoadTapi loads it again (also done when the program ends).
void UnloadTapi();

// The entry points in the order they are looked up.
inline constexpr int TapiEntryCount = 37;
extern const char* const TapiEntryNames[TapiEntryCount];
// The entry named Name of the loaded library (nullptr when missing or not loaded).
FARPROC TapiEntry(const char* Name);

LONG lineInitialize(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback, LPCSTR lpszAppName,
                    LPDWORD lpdwNumDevs);
LONG lineShutdown(HLINEAPP hLineApp);
LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                             LPDWORD lpdwAPIVersion, LPLINEEXTENSIONID lpExtensionID);
LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion, DWORD dwExtVersion,
              DWORD_PTR dwCallbackInstance, DWORD dwPrivileges, DWORD dwMediaModes,
              LPLINECALLPARAMS const lpCallParams);
LONG lineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                  LPLINECALLPARAMS const lpCallParams);
LONG lineAccept(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
LONG lineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
LONG lineDeallocateCall(HCALL hCall);
LONG lineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
LONG lineClose(HLINE hLine);
LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, LPVARSTRING lpDeviceID,
               LPCSTR lpszDeviceClass);
LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates);
LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes);

// A telephony structure owned by its caller.
template <class T>
class TTapiStruct {
public:
    T* get() const { return buf_.empty() ? nullptr : reinterpret_cast<T*>(const_cast<std::uint32_t*>(buf_.data())); }
    T* operator->() const { return get(); }
    explicit operator bool() const { return !buf_.empty(); }
    std::vector<std::uint32_t>& Buffer() { return buf_; }
    // A text part of the structure (offset and size as the structure gives them), without its
    // terminator; empty when it lies outside the structure.
    std::string Text(DWORD offset, DWORD size) const;

private:
    std::vector<std::uint32_t> buf_;
};

// First-try sizes of the structures.
extern DWORD DevCapsSize, CallInfoSize, CallStatusSize;
// ... and of the translation output, translation capabilities and line status structures, which
// no helper reads.
extern DWORD TranslateOutputSize, TranslateCapsSize, DevStatusSize;

LONG GetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                TTapiStruct<LINEDEVCAPS>& Caps);
LONG GetCallInfo(HCALL hCall, TTapiStruct<LINECALLINFO>& Info);
LONG GetCallStatus(HCALL hCall, TTapiStruct<LINECALLSTATUS>& Status);

template <class T>
std::string TTapiStruct<T>::Text(DWORD offset, DWORD size) const {
    const std::size_t total = buf_.size() * 4;
    if (buf_.empty() || size == 0 || offset >= total || size > total - offset) return {};
    const char* p = reinterpret_cast<const char*>(buf_.data()) + offset;
    std::string s(p, size);
    const std::size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return s;
}

}  // namespace talvik
