// Under Wine: the settings go through the real registry as REG_SZ texts in their sections,
// and bad stored values read back as sound values.
#include "ui/uRegistry_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/format.h"

using namespace talvik;

namespace {

// A key of the test's own so that parallel tests of the whole program never see it.
const std::string kTestKey = "Software\\Corvanel\\TALVIK-uregistry-test";

struct RegistryKeyCleanup {
    RegistryKeyCleanup() { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str()); }
    ~RegistryKeyCleanup() { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str()); }
};

bool RawValue(const std::string& section, const std::string& name, DWORD& type, std::string& text) {
    HKEY key;
    std::string path = kTestKey + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buf[256] = {};
    DWORD size = sizeof(buf) - 1;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    text = buf;
    return rc == ERROR_SUCCESS;
}

void SetRaw(const std::string& section, const std::string& name, const std::string& text) {
    HKEY key;
    std::string path = kTestKey + "\\" + section;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

}  // namespace

TEST(RegistryWin32, DefaultsWrittenOnFirstCloseReadBackThroughTheRegistry) {
    RegistryKeyCleanup cleanup;
    RegIniStore ini(kTestKey);
    RegistrySettings first;
    readregistry(ini, first);  // no key at all
    EXPECT_EQ(first.BaudIndex, 3);
    ASSERT_TRUE(writeregistry(ini, first));

    DWORD type = 0;
    std::string text;
    ASSERT_TRUE(RawValue("Settings", "Baud Rate", type, text));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, "3");
    ASSERT_TRUE(RawValue("Settings", "Modem Set String", type, text));
    EXPECT_EQ(text, "&K0&Q0&D0");
    ASSERT_TRUE(RawValue("Save Options", "Tapi selection", type, text));
    EXPECT_EQ(text, "1");
    ASSERT_TRUE(RawValue("Font", "Lang 2 Name ", type, text));
    EXPECT_EQ(text, "UWPSTJ (GB)");
    ASSERT_TRUE(RawValue("Phone List", "phone number 16", type, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(RawValue("Save Options", "Alarm Beep", type, text));

    RegistrySettings changed = first;
    changed.LanguageNumber = 2;
    changed.DirectPortNumber = 4;
    changed.BaudIndex = 0;
    changed.PhoneBook[2] = {"南站 Süd", "0123"};
    ASSERT_TRUE(writeregistry(ini, changed));
    RegistrySettings again;
    RegIniStore reopened(kTestKey);
    readregistry(reopened, again);
    EXPECT_EQ(again.LanguageNumber, 2);
    EXPECT_EQ(again.DirectPortNumber, 4);
    EXPECT_EQ(again.BaudIndex, 0);
    EXPECT_EQ(again.PhoneBook[2].name, "南站 Süd");
    EXPECT_EQ(again.PhoneBook[2].number, "0123");
    EXPECT_EQ(again.SaveFileName, "SaveFile");
}

TEST(RegistryWin32, BadValuesInTheRegistryGiveSoundSettings) {
    RegistryKeyCleanup cleanup;
    SetRaw("Settings", "Baud Rate", "7");
    SetRaw("Settings", "Periodic Log Rate", "99");
    SetRaw("Settings", "Site Number", "250");
    SetRaw("Settings", "Language Number", "abc");
    // An empty section: the key exists with no values.
    HKEY key;
    std::string path = kTestKey + "\\Save Options";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    RegIniStore ini(kTestKey);
    RegistrySettings s;
    readregistry(ini, s);
    EXPECT_EQ(s.BaudIndex, 3);
    EXPECT_EQ(BaudRates.at(static_cast<std::size_t>(s.BaudIndex)), 9600);
    EXPECT_EQ(s.PeriodicLogRate, 48);
    EXPECT_EQ(s.SiteNumber, 240);
    EXPECT_EQ(s.LanguageNumber, 0);
    EXPECT_TRUE(s.TapiSelection);
    EXPECT_FALSE(s.SampleEnabled);
}
