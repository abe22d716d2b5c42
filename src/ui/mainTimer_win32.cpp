// Local time and free disk space for the one-second tick (see mainTimer_win32.h).
#include "ui/mainTimer_win32.h"

#include <windows.h>

#include "base/format.h"

namespace talvik {

namespace {

std::string FromWide(const wchar_t* s) {
    std::u16string w(reinterpret_cast<const char16_t*>(s));
    return Utf16ToUtf8(w);
}

}  // namespace

TimerNow SystemTimerNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t time[64] = L"";
    wchar_t date[64] = L"";
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 64);
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 64);
    return TimerNow{st.wHour, FromWide(time) + "   " + FromWide(date)};
}

std::int64_t CurrentDriveFreeSpace() {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(nullptr, &available, nullptr, nullptr)) return 0;
    return static_cast<std::int64_t>(available.QuadPart);
}

}  // namespace talvik
