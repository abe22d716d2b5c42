// Writing to the regulator only what was read from it, through the program's own windows and the
// real com port under Wine: the rig's regulator simulator on COM2 is site 17 of a network, at
// 9600 baud, and a consistent regulator (see writesafe_rig.sh). ctest starts the rig in a Wine
// prefix of this test's own and names its folder in TALVIK_RIG_DIR.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/Settings.h"
#include "ui/SettingsFormat.h"
#include "ui/main.h"
#include "ui/talvikProgram.h"
#include "SettingsRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

constexpr int kPort = 2;

// The frames of the simulator's frame log, each as its bytes.
std::vector<std::vector<int>> FramesHeard() {
    std::vector<std::vector<int>> frames;
    for (const HeardFrame& f : talvik::test::FramesHeard(kPort)) frames.push_back(f.bytes);
    return frames;
}

// Site frames: site, command, address, data, sum.
bool IsUnlock(const std::vector<int>& f) { return f.size() == 5 && f[1] == 0x98 && f[2] == 250 && f[3] == 0xA5; }
bool IsEepromWrite(const std::vector<int>& f) { return f.size() == 5 && f[1] == 0xCA; }

class WriteSafeTest : public SettingsRigTest {
protected:
    WriteSafeTest() : SettingsRigTest("Software\\Corvanel\\TALVIK-writesafe-test") {}
    void SetUp() override {
        SettingsRigTest::SetUp();
        if (HasFatalFailure()) return;
        // The line of the rig: COM2 at 9600 baud, site 17 of a network.
        mainform->ebDirectComPortNum->SetText(std::to_string(kPort));
        mainform->baudbox->SetItemIndex(3);
        SiteMode = true;
        mainform->Sitespin->SetValue(kSite);
        memory = ReadWholeFile(RigFile("mem2.bin"));
        ASSERT_EQ(memory.size(), 512u);
    }
    std::string Refusal() const { return At(At(SettingsUIText, kProgramAllRefusedText), 0); }

    std::string memory;
};

TEST_F(WriteSafeTest, TheWholeSettingListGoesOnlyToTheRegulatorItWasReadFrom) {
    // The settings window before the first tick: its read is refused, nothing is read.
    mainform->ToolButton6Click();
    ASSERT_TRUE(setform->Visible());
    setform->FormActivate(setform);
    EXPECT_FALSE(CommBusy);

    // ALL, Send now with nothing read: refused with its message, not one frame on the line.
    ProgramAll();
    RunUntil([] { return false; }, 500);
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], Refusal());
    EXPECT_TRUE(FramesHeard().empty());

    // The five groups read from site 17: the list goes out and the regulator is as it was, for
    // every value written is the value read (and the unlock cell already held the unlock byte).
    mainform->Timer1.Tick();
    ReadTheFiveGroups();
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());
    const size_t afterReads = FramesHeard().size();
    ProgramAll();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(setform->qvbutton->Down());
    ASSERT_TRUE(RunUntil([] { return !WriteBusy; }, 150000));
    EXPECT_EQ(setform->sgrid2->Cell(0, setform->sgrid2->RowCount() - 1), "Data Received");
    EXPECT_EQ(mainform->Statusb->PanelText(5), "Data Received");
    const std::vector<std::vector<int>> frames = FramesHeard();
    ASSERT_EQ(frames.size() - afterReads, 31u * 4 + 31 * 2);
    for (size_t i = afterReads; i < frames.size(); ++i) EXPECT_EQ(frames[i][0], kSite) << i;
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);

    // Another site number: what was read from site 17 is not site 18's, and nothing goes out.
    mainform->Sitespin->SetValue(18);
    ProgramAll();
    RunUntil([] { return false; }, 300);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], Refusal());
    EXPECT_EQ(FramesHeard().size(), frames.size());
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    EXPECT_FALSE(mainform->Currsavecheck->Enabled());

    // Back on site 17 the groups must be read again first.
    mainform->Sitespin->SetValue(kSite);
    ProgramAll();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(FramesHeard().size(), frames.size());
    ReadTheFiveGroups();
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());

    // Programming again, the main window is closed while an unlock frame is out. The user is
    // asked; saying no keeps the program and the run going.
    ProgramAll();
    ASSERT_TRUE(WriteBusy);
    ASSERT_TRUE(RunUntil([] { return UnlockPending && SendCount < 60; }));
    answer = TModalResult::mrNo;
    mainform->Close();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[3], At(At(SettingsUIText, kCloseWhileWritingText), 0));
    EXPECT_FALSE(Application.Terminated());
    EXPECT_TRUE(WriteBusy);
    // Saying yes ends the run cleanly: the parked write follows its unlock frame, then nothing.
    ASSERT_TRUE(RunUntil([] { return UnlockPending && SendCount < 55; }));
    answer = TModalResult::mrYes;
    mainform->Close();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(Application.Terminated());
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(mainform->Comport->GetOpen());
    Sleep(500);
    const std::vector<std::vector<int>> last = FramesHeard();
    ASSERT_GT(last.size(), frames.size());
    for (size_t i = frames.size(); i < last.size(); ++i) {
        if (IsUnlock(last[i])) {
            EXPECT_TRUE(i + 1 < last.size() && IsEepromWrite(last[i + 1])) << "frame " << i;
        }
    }
    EXPECT_TRUE(IsEepromWrite(last.back()));
    // The regulator holds what it held: every write was of the value read.
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);
}

}  // namespace

// The port's events stop while the whole list is being programmed: the watchdog ends the run,
// and the last frame the regulator heard is a write, never an unlock frame left open.
TEST_F(WriteSafeTest, AProgrammingRunEndedByTheWatchdogLeavesNoUnlockFrameLast) {
    mainform->Timer1.Tick();
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    const size_t before = FramesHeard().size();
    ProgramAll();
    ASSERT_TRUE(RunUntil([] { return SendAll && UnlockPending && SendCount < 60; }, 60000));
    const int address = ParkedAddress, data = ParkedData;
    // No port event runs between these ticks: the run gets no further.
    for (int i = 0; i < 11; ++i) mainform->Timer1.Tick();
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(mainform->Statusb->PanelText(5), "Comm Fail");
    RunUntil([] { return false; }, 800);
    const std::vector<std::vector<int>> frames = FramesHeard();
    ASSERT_GE(frames.size(), before + 2);
    EXPECT_TRUE(IsUnlock(frames[frames.size() - 2]));
    EXPECT_TRUE(IsEepromWrite(frames.back()));
    EXPECT_EQ(frames.back()[2], address);
    EXPECT_EQ(frames.back()[3], data);
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);  // what was read went back
}

