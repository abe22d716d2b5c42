// Under Wine: the options component's integers in the real registry.
#include "ui/uOptionsRegistry_win32.h"

#include <gtest/gtest.h>

using namespace talvik;

TEST(OptionsRegistryWin32, IntegersRoundTripAndBadValuesGiveTheDefault) {
    const char* base = "\\Software\\Corvanel\\TALVIK-options-test";
    RegDeleteTreeA(HKEY_CURRENT_USER, base + 1);
    TP_Registry reg;
    reg.BaseKey = base;
    EXPECT_EQ(reg.ReadInteger("Options", "MainFormLeft", 240), 240);
    EXPECT_TRUE(reg.WriteInteger("Options", "MainFormLeft", -12));
    EXPECT_EQ(reg.ReadInteger("Options", "MainFormLeft", 240), -12);
    EXPECT_FALSE(reg.WriteInteger("Options", "", 1));
    EXPECT_EQ(reg.ReadInteger("Options", "", 45), 45);

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Corvanel\\TALVIK-options-test\\Options", 0,
                            KEY_READ | KEY_WRITE, &key),
              ERROR_SUCCESS);
    DWORD type = 0, v = 0, size = sizeof(v);
    ASSERT_EQ(RegQueryValueExA(key, "MainFormLeft", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    RegSetValueExA(key, "MainFormTop", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 4);
    RegCloseKey(key);
    EXPECT_EQ(reg.ReadInteger("Options", "MainFormTop", 45), 45);
    RegDeleteTreeA(HKEY_CURRENT_USER, base + 1);
}
