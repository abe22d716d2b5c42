// One regulator per transfer, through the program's own windows and the real com ports under
// Wine: nothing read from one regulator, or never read, is written into another. The rig (see
// writesafe_rig.sh) has two consistent regulators, both site 17 at 9600 baud, with different
// memories: one on COM2, one on COM3. ctest names the rig's folder in TALVIK_RIG_DIR.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/Settings.h"
#include "ui/SettingsFormat.h"
#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/singleCommand.h"
#include "ui/talvikProgram.h"
#include "SettingsRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

// Unlock, write, two read-backs; then each RAM copy and its read-back.
constexpr size_t kProgramFrames = 31 * 4 + 31 * 2;

std::string Memory(int port) { return ReadWholeFile(RigFile("mem" + std::to_string(port) + ".bin")); }

class OneTargetTest : public SettingsRigTest {
protected:
    OneTargetTest() : SettingsRigTest("Software\\Corvanel\\TALVIK-onetarget-test") {}
    void SetUp() override {
        SettingsRigTest::SetUp();
        if (HasFatalFailure()) return;
        // The line of the rig: COM2 at 9600 baud, site 17 of a network.
        mainform->ebDirectComPortNum->SetText("2");
        mainform->baudbox->SetItemIndex(3);
        mainform->baudboxChange();
        SiteMode = true;
        mainform->sendcomboload();
        mainform->Sitespin->SetValue(kSite);
        mainform->Timer1.Tick();
        mem2 = Memory(2);
        mem3 = Memory(3);
        ASSERT_EQ(mem2.size(), 512u);
        ASSERT_EQ(mem3.size(), 512u);
        ASSERT_NE(mem2, mem3);
        heard2 = FramesHeard(2).size();
        heard3 = FramesHeard(3).size();
        // The settings window; its activation may start a read of the group shown.
        mainform->ToolButton6Click();
        ASSERT_TRUE(setform->Visible());
        ASSERT_TRUE(RunUntil(LinkIdle));
    }

    static void Idle(DWORD ms) { RunProgramUntil([] { return false; }, ms); }
    static std::string Panel5() { return mainform->Statusb->PanelText(5); }
    static std::string UIText(int row) { return At(At(SettingsUIText, row), 0); }

    // Frames the simulator on a port heard since the test began.
    std::vector<HeardFrame> Heard(int port) const {
        std::vector<HeardFrame> all = FramesHeard(port);
        all.erase(all.begin(), all.begin() + static_cast<long>(port == 2 ? heard2 : heard3));
        return all;
    }

    std::string mem2, mem3;
    size_t heard2 = 0, heard3 = 0;
};

TEST_F(OneTargetTest, WhatWasReadOnOnePortIsNotWrittenToTheRegulatorOnAnother) {
    ReadTheFiveGroups();
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());
    // A value of the group shown, taken as it was read: Send is offered.
    bool can = false;
    setform->sgrid2SelectCell(1, 3, can);
    ASSERT_TRUE(can);
    setform->sgrid2->SetSelection(1, 3);
    setform->sgrid2SetEditText(1, 3, setform->sgrid2->Cell(1, 3));
    ASSERT_TRUE(setform->sendbutton->Enabled());
    const size_t readOn2 = Heard(2).size();

    // The port panel now names COM3, another regulator: nothing read on COM2 counts for it.
    mainform->ebDirectComPortNum->SetText("3");
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM3");
    for (int kind = 4; kind <= 8; ++kind) EXPECT_FALSE(KindLoaded[kind]) << kind;
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());

    // "Send" and "ALL", "Send now": each refused with its message, and not one frame anywhere.
    Press(setform->sendbutton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], UIText(kSendRefusedText));
    EXPECT_FALSE(setform->sendbutton->Down());
    ProgramAll();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], UIText(kProgramAllRefusedText));
    EXPECT_FALSE(WriteBusy);
    Idle(500);
    EXPECT_TRUE(Heard(3).empty());
    EXPECT_EQ(Heard(2).size(), readOn2);
    EXPECT_EQ(Memory(3), mem3);

    // Read on COM3, the list is COM3's own: it programs COM3, which stays as it was, and COM2
    // hears nothing of it.
    ReadTheFiveGroups();
    const size_t readOn3 = Heard(3).size();
    ASSERT_GT(readOn3, 0u);
    ProgramAll();
    EXPECT_EQ(boxes.size(), 2u);
    ASSERT_TRUE(WriteBusy);
    ASSERT_TRUE(RunUntil([] { return !WriteBusy; }, 150000));
    EXPECT_EQ(Panel5(), "Data Received");
    const std::vector<HeardFrame> on3 = Heard(3);
    ASSERT_EQ(on3.size() - readOn3, kProgramFrames);
    for (size_t i = readOn3; i < on3.size(); ++i) EXPECT_EQ(on3[i].bytes[0], kSite) << i;
    EXPECT_EQ(Memory(3), mem3);
    EXPECT_EQ(Heard(2).size(), readOn2);
    EXPECT_EQ(Memory(2), mem2);
}

TEST_F(OneTargetTest, NothingOfTheLineChangesWhileAProgrammingRunOwnsIt) {
    ReadTheFiveGroups();
    mainform->Tapicheck->SetChecked(true);
    const size_t before = Heard(2).size();
    const std::string kept = LinkTextOf(TLinkText::LineKept, LangEnglish);
    ProgramAll();
    ASSERT_TRUE(WriteBusy);
    ASSERT_TRUE(RunUntil([] { return SendCount < 58; }));

    // The site spinner: site 18 is refused, the spinner shows 17 again and the status says why.
    mainform->Sitespin->SetValue(18);
    EXPECT_EQ(mainform->Sitespin->Value(), kSite);
    EXPECT_EQ(Panel5(), kept);
    EXPECT_EQ(mainform->sitebutton->Caption(), "17");
    // The direct port number, typed and by its arrows; the text is in the user's language.
    LanguageNumber = LangGerman;
    mainform->ebDirectComPortNum->SetText("3");
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "2");
    EXPECT_EQ(Panel5(), LinkTextOf(TLinkText::LineKept, LangGerman));
    EXPECT_NE(Panel5(), kept);
    LanguageNumber = LangEnglish;
    bool allow = true;
    mainform->udDirectComPortNumChangingEx(allow, 3, TUpDown::Direction::Up);
    EXPECT_FALSE(allow);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "2");
    EXPECT_EQ(DirectPortNumber, 2);
    // The modem port, the baud box, the single/site switch and the TAPI box.
    const std::string modemPort = mainform->ebModemComPortNum->Text();
    mainform->ebModemComPortNum->SetText(modemPort == "9" ? "8" : "9");
    EXPECT_EQ(mainform->ebModemComPortNum->Text(), modemPort);
    mainform->baudbox->SetItemIndex(1);
    mainform->baudboxChange();
    EXPECT_EQ(mainform->baudbox->ItemIndex(), 3);
    EXPECT_EQ(mainform->Comport->GetBaud(), 9600);
    mainform->sendcombo->SetItemIndex(scLogMode);
    mainform->sendcomboChange();
    EXPECT_TRUE(SiteMode);
    EXPECT_EQ(mainform->sendcombo->ItemIndex(), 0);
    const bool tapi = mainform->Tapicheck->Checked();
    Press(mainform->Tapicheck);
    EXPECT_EQ(mainform->Tapicheck->Checked(), tapi);
    EXPECT_EQ(Panel5(), kept);
    // A log dial that falls due meanwhile waits for the run: the line stays the direct one.
    mainform->dialup("log");
    EXPECT_TRUE(DirectMode);
    EXPECT_TRUE(LogDial);
    EXPECT_EQ(mainform->Comport->GetTapiMode(), TTapiMode::tmOff);
    EXPECT_TRUE(WriteBusy);

    // The run ends as it began: every frame to site 17 on COM2, none to site 18, none on COM3.
    ASSERT_TRUE(RunUntil([] { return !WriteBusy; }, 150000));
    EXPECT_EQ(Panel5(), "Data Received");
    const std::vector<HeardFrame> on2 = Heard(2);
    ASSERT_EQ(on2.size() - before, kProgramFrames);
    for (const HeardFrame& f : on2) {
        ASSERT_EQ(f.bytes.size(), 5u);
        EXPECT_EQ(f.bytes[0], kSite);
    }
    EXPECT_TRUE(Heard(3).empty());
    EXPECT_EQ(Memory(2), mem2);
    EXPECT_TRUE(errors.empty());

    // With the line free again the site may change, and it is another regulator.
    mainform->Sitespin->SetValue(18);
    EXPECT_EQ(mainform->Sitespin->Value(), 18);
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
}

TEST_F(OneTargetTest, AFailedCalibrationReadLeavesNothingToEditOrSend) {
    // The simulator is made site 18 ("Set ZIRB Site" addressed to 18), so site 17 gets no answer.
    const auto setZirbSite = [] {
        mainform->sendcombo->SetItemIndex(scModeOrZirb);
        mainform->sendcomboChange();
        mainform->singsendClick();
        ASSERT_TRUE(RunUntil(LinkIdle));
    };
    mainform->Sitespin->SetValue(18);
    setZirbSite();
    mainform->Sitespin->SetValue(kSite);

    // The calibration read gets no answer and fails.
    Press(setform->Calbutton);
    ASSERT_TRUE(RunUntil(LinkIdle));
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_FALSE(mainform->Calsavecheck->Enabled());

    // The regulator answers site 17 again.
    setZirbSite();
    ASSERT_FALSE(Heard(2).empty());
    EXPECT_EQ(Heard(2).back().outcome, "answered");
    const size_t heard = Heard(2).size();

    // The 12 V gain (its byte shared with the 12 V offset) cannot be selected, and a value typed
    // into it is not taken.
    bool can = true;
    setform->sgrid2SelectCell(1, 1, can);
    EXPECT_FALSE(can);
    const std::uint8_t shared = RegImage[34], flags = RegImage[33];
    setform->sgrid2SetEditText(1, 1, "5");
    EXPECT_EQ(RegImage[34], shared);
    EXPECT_EQ(RegImage[33], flags);
    EXPECT_FALSE(ChangedFlags[34]);
    // Send on that cell, as a button left enabled would allow: refused, nothing on the line.
    setform->sgrid2->SetSelection(1, 1);
    setform->sendbutton->SetEnabled(true);
    Press(setform->sendbutton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], UIText(kSendRefusedText));
    EXPECT_FALSE(WriteBusy);
    Idle(500);
    EXPECT_EQ(Heard(2).size(), heard);
    EXPECT_EQ(Memory(2).substr(256, 4), mem2.substr(256, 4));
}

TEST_F(OneTargetTest, TheGroupShownIsReadOnceTheReadBeforeItHasEnded) {
    std::vector<std::string> panel5;
    g_panel5 = &panel5;
    SetWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1, 0);
    setform->IsActiveForm = [] { return true; };
    // "MODE" is being read when the user turns to "EVNT": its read starts when MODE's has ended,
    // once the port's event that ended it is over.
    Press(setform->Conbutton3);
    ASSERT_TRUE(CommBusy);
    ASSERT_EQ(DataKind, 6);
    Press(setform->Conbutton4);
    EXPECT_EQ(DataKind, 6);
    const size_t before = Heard(2).size();
    ASSERT_TRUE(RunUntil([] { return KindLoaded[7] && LinkIdle(); }));
    RemoveWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1);
    g_panel5 = nullptr;
    EXPECT_TRUE(KindLoaded[6]);
    // No frame of the second read was lost: none waited in vain.
    EXPECT_EQ(std::count(panel5.begin(), panel5.end(), "Timeout"), 0);
    const std::vector<HeardFrame> heard = Heard(2);
    size_t evntReads = 0;
    for (size_t i = before; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].outcome, "answered") << i;
        evntReads += heard[i].command == "ram-read" ? 1 : 0;
    }
    EXPECT_GE(evntReads, 2u * 13);
}

}  // namespace
