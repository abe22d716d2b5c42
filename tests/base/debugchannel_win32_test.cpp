// Under Wine: the default sink of the debug channel is OutputDebugStringA; a debugger-less
// process must be able to write to it without harm, and an installed sink replaces it.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/debugchannel.h"
#include "base/format.h"

using namespace talvik;

TEST(DebugChannelWin32, DefaultSinkWritesWithoutHarmAndSinksReplaceIt) {
    DebugChannel("Load main");  // goes to OutputDebugStringA
    int n = 0;
    auto old = SetDebugSink([&](std::string_view) { ++n; });
    DebugChannel("x");
    SetDebugSink(old);
    EXPECT_EQ(n, 1);
}

TEST(TextWin32, Utf16MatchesTheSystemConversion) {
    std::string s = "\xE4\xB8\xAD\xE6\x96\x87 T\xC3\xA9";
    wchar_t buf[32];
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, buf, 32);
    ASSERT_GT(n, 0);
    std::u16string ours = Utf8ToUtf16(s);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf)), ours);
}
