// Writing to the regulator only what was read from it, or what a settings file that the settings
// editor could have written holds, through the program's own windows and the real com port under
// Wine: the rig's regulator simulator on COM2 is site 17 of a network, at 9600 baud, and a
// consistent regulator (see writesafe_rig.sh). ctest starts the rig in a Wine
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
#include "GridTyping.h"
#include "SettingsRig.h"
#include "dialogAnswers.h"

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

class WriteSafeTest : public SettingsRigTest {
protected:
    WriteSafeTest() : SettingsRigTest("Software\\Corvanel\\TALVIK-writesafe-test") {}
    void SetUp() override {
        SettingsRigTest::SetUp();
        if (HasFatalFailure()) return;
        UseRigLine(kPort);
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
    // Site 17 only, each EEPROM write behind its unlock, every setting of the value read; a
    // retry the line's timing explains passes within the link's allowance.
    const sim::WriteRun run = ProgramRunHeard(kPort, afterReads, memory);
    EXPECT_TRUE(run.Ok()) << run.Describe();
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
    // The simulator logs the parked write when it gets to it (later on a busy machine); then
    // nothing may follow it.
    for (int i = 0; i < 200 && !IsEepromWrite(FramesHeard().back()); ++i) Sleep(50);
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

// A settings file whose settings lie outside the editor's limits is refused through the settings
// file panel, and with nothing read ALL -> "Send now" puts nothing on the line; a file saved from
// the regulator on COM2 after its generator mode was changed in the settings grid loads while
// COM3's regulator is addressed and programs it whole.
TEST_F(WriteSafeTest, ASettingsFileTheEditorWouldNotAllowIsRefusedAndOneSavedFromARegulatorPrograms) {
    std::vector<ShownDialog> calls;
    std::vector<int> answers;
    const TMessageDialogHook oldDialogs = SetMessageDialogHook(AnswerDialogs(calls, answers));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string bad = std::string(temp) + "talvik-writesafe-wild.stp";
    const std::string good = std::string(temp) + "talvik-writesafe-site17.stp";
    auto choose = [](const std::string& path) {
        TSaveDialog::Hook = [path](TSaveDialog*) { return std::optional<std::string>(path); };
    };
    auto panelButton = [](TControl* b) {
        mainform->Savepanel->Show();
        if (!mainform->qvsetpanel->Visible()) Press(mainform->qvsetbutton);
        ASSERT_TRUE(mainform->qvsetpanel->Visible());
        Press(b);
    };

    // The settings window before the first tick: its read is refused, nothing is read.
    mainform->ToolButton6Click();
    setform->FormActivate(setform);
    EXPECT_FALSE(CommBusy);
    const std::string before(reinterpret_cast<const char*>(RegImage.data()), RegImage.size());
    const size_t framesBefore = FramesHeard().size();

    // The regulator's memory with the charge current, timers and modes far outside the editor's
    // limits and the system-voltage byte 25 -> 153.
    std::string wild = memory;
    for (auto [address, value] : {std::pair{73, 250}, {74, 250}, {77, 250}, {82, 3}, {83, 200}, {88, 255},
                                  {90, 255}, {92, 255}, {93, 153}})
        wild[static_cast<size_t>(address)] = static_cast<char>(value);
    std::ofstream(bad, std::ios::binary) << wild;
    choose(bad);
    panelButton(mainform->setgetbbut);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, SaveMessageKind::Error);
    EXPECT_EQ(calls[0].text, "talvik-writesafe-wild.stp holds settings that the settings editor does not allow: "
                             "\"Program Setting\" is stored as 9, where the editor allows 0 to 4. Nothing was loaded.");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(RegImage.data()), RegImage.size()), before);
    EXPECT_FALSE(KindLoaded[5]);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    // ALL -> "Send now": refused, for nothing is read or loaded; not one frame on the line.
    ProgramAll();
    RunUntil([] { return false; }, 500);
    EXPECT_FALSE(WriteBusy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], Refusal());
    EXPECT_EQ(FramesHeard().size(), framesBefore);
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);

    // The five groups read from COM2; in the generator group the user sets the generator mode to
    // 2, where the row under it means a state of charge (0 to 99 %) and still holds the regulator's
    // voltage byte 118; then the settings are saved through the panel.
    mainform->Timer1.Tick();
    ReadTheFiveGroups();
    ASSERT_EQ(static_cast<unsigned char>(memory[64]), 118);
    ASSERT_EQ(memory[92] & 3, 0);
    TypeIntoCell(setform->sgrid2, 1, 2, "2");
    EXPECT_EQ(setform->sgrid2->Cell(1, 2), "2");
    EXPECT_EQ(setform->sgrid2->Cell(0, 3), "Gen on below SOC of");
    EXPECT_EQ(setform->sgrid2->Cell(1, 3), "118");
    EXPECT_EQ(boxes.size(), 1u);  // the refusal above, nothing more
    std::string edited = memory;
    edited[92] = static_cast<char>((memory[92] & 0xFC) | 2);
    choose(good);
    panelButton(mainform->setsavebbut);
    const std::string saved = ReadWholeFile(good);
    ASSERT_EQ(saved.size(), 512u);
    EXPECT_EQ(saved.substr(SettingListFirst, 31), edited.substr(SettingListFirst, 31));

    // COM3's regulator addressed: the file loads for it, and the whole list goes there.
    const std::string target = ReadWholeFile(RigFile("mem3.bin"));
    ASSERT_NE(target.substr(SettingListFirst, 31), saved.substr(SettingListFirst, 31));
    mainform->ebDirectComPortNum->SetText("3");
    EXPECT_FALSE(KindLoaded[4]);
    panelButton(mainform->setgetbbut);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(KindLoaded[4] && KindLoaded[8] && CalibrationLoaded);
    const size_t heardOn3 = talvik::test::FramesHeard(3).size();
    ProgramAll();
    EXPECT_EQ(boxes.size(), 1u);
    ASSERT_TRUE(RunUntil([] { return !WriteBusy; }, 150000));
    EXPECT_EQ(mainform->Statusb->PanelText(5), "Data Received");
    const std::string programmed = ReadWholeFile(RigFile("mem3.bin"));
    // The file's settings, each behind its unlock, each RAM copy written and read back.
    std::string expected = target;
    for (int a = 0; a < 31; ++a) {
        expected[SettingListFirst + a] = saved[SettingListFirst + a];
        expected[256 + 14 + a] = saved[SettingListFirst + a];
    }
    const sim::WriteRun run = ProgramRunHeard(3, heardOn3, expected);
    EXPECT_TRUE(run.Ok()) << run.Describe();
    EXPECT_EQ(programmed.substr(SettingListFirst, 31), saved.substr(SettingListFirst, 31));  // RAM
    EXPECT_EQ(programmed.substr(256 + 14, 31), saved.substr(SettingListFirst, 31));         // EEPROM 14..44
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);

    TSaveDialog::Hook = nullptr;
    SetMessageDialogHook(oldDialogs);
    DeleteFileA(bad.c_str());
    DeleteFileA(good.c_str());
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
    // The parked write reaches the simulator's log when it gets to it; nothing may follow it.
    RunUntil([] { return IsEepromWrite(FramesHeard().back()); }, 10000);
    RunUntil([] { return false; }, 800);
    const std::vector<std::vector<int>> frames = FramesHeard();
    ASSERT_GE(frames.size(), before + 2);
    EXPECT_TRUE(IsUnlock(frames[frames.size() - 2]));
    EXPECT_TRUE(IsEepromWrite(frames.back()));
    EXPECT_EQ(frames.back()[2], address);
    EXPECT_EQ(frames.back()[3], data);
    EXPECT_EQ(ReadWholeFile(RigFile("mem2.bin")), memory);  // what was read went back
}

