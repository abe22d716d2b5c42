// Under Wine: the tick's clock and free-space query answer from the system.
#include "ui/mainTimer_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace talvik;

TEST(TimerWin32, ClockTextHoldsTimeAndDateAndTheHourIsTheLocalHour) {
    TimerNow now = SystemTimerNow();
    SYSTEMTIME st;
    GetLocalTime(&st);
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
    EXPECT_TRUE(now.hour == st.wHour || (now.hour + 1) % 24 == st.wHour);
    auto sep = now.clockText.find("   ");
    ASSERT_NE(sep, std::string::npos);
    EXPECT_GT(sep, 0u);
    EXPECT_GT(now.clockText.size(), sep + 3);
    EXPECT_NE(now.clockText.find(std::to_string(st.wYear % 100)), std::string::npos);
}

TEST(TimerWin32, FreeSpaceOfTheFilesOwnDriveIsReported) {
    EXPECT_GT(DriveFreeSpace("C:\\windows\\LOG.RTF"), 2000);
    EXPECT_GT(DriveFreeSpace("LOG.RTF"), 2000);  // the current directory's drive
    EXPECT_EQ(DriveFreeSpace("Q:\\nowhere\\LOG.RTF"), 0);  // no such drive
}
