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

std::int64_t DriveFreeSpace(const std::string& fileName) {
    // The file's own folder, not the current directory: the log may lie on another drive.
    std::u16string w = Utf8ToUtf16(fileName);
    const auto slash = w.find_last_of(u"\\/");
    w = slash == std::u16string::npos ? std::u16string() : w.substr(0, slash + 1);
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(w.empty() ? nullptr : reinterpret_cast<const wchar_t*>(w.c_str()), &available, nullptr,
                             nullptr))
        return 0;
    return static_cast<std::int64_t>(available.QuadPart);
}

}  // namespace talvik
