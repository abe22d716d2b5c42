// Win32 parts of the link under Wine: probing COM ports (one linked to a pseudo-terminal by the
// test's fixture script, one that is not) and the registry migration on the real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "link/qvPort_win32.h"
#include "link/qvRegistry_win32.h"

using namespace talvik;

namespace {

int EnvPort(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}

}  // namespace

TEST(ComPortProbe, LinkedPortIsPresentAndUnlinkedIsNot) {
    const int present = EnvPort("TALVIK_PRESENT_COM");
    const int absent = EnvPort("TALVIK_ABSENT_COM");
    // The rig provides the ports: without them the test has not run, which is a failure.
    ASSERT_TRUE(present != 0 && absent != 0) << "run through comprobe.sh, which links the ports";
    EXPECT_TRUE(comportpresent(present));
    EXPECT_FALSE(comportpresent(absent));
    EXPECT_FALSE(comportpresent(0));
    EXPECT_EQ(findcomport(static_cast<std::int16_t>(absent), TPortDirection::Down), present);
    EXPECT_EQ(findcomport(static_cast<std::int16_t>(absent), TPortDirection::None), -1);
    EXPECT_EQ(findcomport(126, TPortDirection::Up), 128);
}

TEST(ComPortProbe, PortHeldByAnotherOpenerCountsAsPresent) {
    const int present = EnvPort("TALVIK_PRESENT_COM");
    ASSERT_NE(present, 0) << "run through comprobe.sh, which links the ports";
    const std::string name = comportname(present);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(comportpresent(present));
    CloseHandle(h);
}

namespace {

// Redirects HKEY_CURRENT_USER of this process to a scratch key, so the test never touches the
// settings of a program run in the same prefix.
class ScratchHkcu : public ::testing::Test {
protected:
    HKEY scratch = nullptr;
    std::string path;
    void SetUp() override {
        path = "Software\\TalvikLinkTest\\" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    }
    static void SetText(const char* key, const char* name, const char* value) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS);
        RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(k);
    }
    static std::string GetText(const char* key, const char* name) {
        char buf[256] = {};
        DWORD size = sizeof buf;
        if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
            return "<missing>";
        return buf;
    }
};

}  // namespace

TEST_F(ScratchHkcu, MigrationCopiesOldSubkeysWithTheirValues) {
    SetText("software/talvik\\Font", "Name", "Arial");
    SetText("software/talvik\\Settings", "Baud", "2400");
    SetText("software/talvik\\Settings", "Site mode", "0");
    MigrateRegistryKeys("Software\\Corvanel\\TALVIK");
    EXPECT_EQ(GetText("Software\\Corvanel\\TALVIK\\Font", "Name"), "Arial");
    EXPECT_EQ(GetText("Software\\Corvanel\\TALVIK\\Settings", "Baud"), "2400");
    EXPECT_EQ(GetText("Software\\Corvanel\\TALVIK\\Settings", "Site mode"), "0");
    EXPECT_EQ(GetText("software/talvik\\Font", "Name"), "Arial");  // the old key stays
    TWin32Registry reg;
    EXPECT_FALSE(reg.KeyExists("Software\\Corvanel\\TALVIK\\Phone List"));

    // Once the new key exists, nothing is copied again.
    SetText("software/talvik\\Font", "Name", "Courier");
    MigrateRegistryKeys("Software\\Corvanel\\TALVIK");
    EXPECT_EQ(GetText("Software\\Corvanel\\TALVIK\\Font", "Name"), "Arial");
}
