// A regulator lost while the whole setting list is programmed, and found again, through the
// program's own windows and the real com port under Wine: the rig's simulator on COM2 (site 17
// at 9600 baud, see devicelost_rig.sh) is killed half-way through the run and later started
// again on the same port, at the test's request.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "link/uVar.h"
#include "ui/Settings.h"
#include "ui/main.h"
#include "SettingsRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

constexpr int kPort = 2;

// Asks the rig for "kill" or "start" on the simulator and waits (the program running) until done.
void RigRequest(const std::string& what) {
    const std::string done = RigFile("request2.done");
    DeleteFileA(done.c_str());
    {
        std::ofstream(RigFile("request2.tmp"), std::ios::binary) << what;
    }
    ASSERT_TRUE(MoveFileA(RigFile("request2.tmp").c_str(), RigFile("request2").c_str()));
    ASSERT_TRUE(RunProgramUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000))
        << what;
    EXPECT_EQ(ReadWholeFile(done), "ok\n") << what;
}

BOOL CALLBACK CountBox(HWND h, LPARAM p) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h) && std::wstring(cls) == L"#32770")
        ++*reinterpret_cast<int*>(p);
    return TRUE;
}

// Message boxes of this process that stand open (a modal box shown by anything at all).
int OpenBoxes() {
    int n = 0;
    EnumWindows(&CountBox, reinterpret_cast<LPARAM>(&n));
    return n;
}

class DeviceLostTest : public SettingsRigTest {
protected:
    DeviceLostTest() : SettingsRigTest("Software\\Corvanel\\TALVIK-devicelost-test") {}
    void SetUp() override {
        SettingsRigTest::SetUp();
        if (HasFatalFailure()) return;
        UseRigLine(kPort);
    }
};

}  // namespace

TEST_F(DeviceLostTest, ARegulatorLostWhileProgrammingIsToldInTheStatusBarAndProgrammedWhenBack) {
    const std::string memory = ReadWholeFile(RigFile("mem2.bin"));
    ASSERT_EQ(memory.size(), 512u);
    mainform->Timer1.Tick();
    mainform->ToolButton6Click();
    ReadTheFiveGroups();

    // Programming all; the regulator goes away some positions into the run.
    ProgramAll();
    ASSERT_TRUE(WriteBusy);
    ASSERT_TRUE(RunUntil([] { return SendCount < 57; }, 60000));
    RigRequest("kill");
    // The run ends without a box and without anything for the program's error display; the
    // status bar says why. (The one-second tick runs meanwhile, as it does for a user.)
    ASSERT_TRUE(RunUntil(
        [] {
            if (WriteBusy && GetTickCount() % 1000 < 30) mainform->Timer1.Tick();
            return !WriteBusy;
        },
        60000));
    const std::string reason = "Device read error";
    EXPECT_TRUE(RunUntil([&] { return mainform->Statusb->PanelText(5) == reason; }, 10000))
        << mainform->Statusb->PanelText(5);
    RunUntil([] { return false; }, 1500);
    EXPECT_EQ(mainform->Statusb->PanelText(5), reason);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(OpenBoxes(), 0);
    EXPECT_FALSE(setform->qvbutton->Down());

    // While it is away, its settings are lost (as a replaced regulator's would be): every
    // EEPROM setting and RAM copy differs from what was read.
    std::string changed = ReadWholeFile(RigFile("mem2.bin"));
    ASSERT_EQ(changed.size(), 512u);
    for (int a = 64; a <= 94; ++a) {
        changed[a] = static_cast<char>(changed[a] ^ 0x21);
        changed[a + 206] = static_cast<char>(changed[a + 206] ^ 0x21);
    }
    {
        std::ofstream(RigFile("mem2.bin"), std::ios::binary | std::ios::trunc) << changed;
    }
    RigRequest("start");

    // Back on the same port: ALL, "Send now" programs the whole list at once, no read first.
    const size_t before = FramesHeard(kPort).size();
    ProgramAll();
    ASSERT_TRUE(WriteBusy) << mainform->Statusb->PanelText(5);
    ASSERT_TRUE(RunUntil([] { return !WriteBusy; }, 200000));
    EXPECT_EQ(mainform->Statusb->PanelText(5), "Data Received");
    // Programmed at once, no read first; every EEPROM write right behind its unlock and of the
    // byte read, read back until two replies agree, each RAM copy read back, a retry only where the
    // line's timing explains it (a write held up on a loaded machine) and within the link's
    // allowance.
    const sim::WriteRun run = ProgramRunHeard(kPort, before, memory);
    EXPECT_TRUE(run.Ok()) << run.Describe();
    // The regulator holds again what was read from it, both copies of every setting.
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(OpenBoxes(), 0);
}
