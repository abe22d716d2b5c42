// Reports of data read from a regulator: the main window reads the current data and the five
// settings groups from the serial rig's regulator simulator (COM1), then saves, views and
// prints the report and writes the periodic log record, as a user would from its panels. The
// saved and printed reports are read afterwards with standard tools (report_text_check.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "base/format.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "dialogAnswers.h"
#include "reportCheck.h"
#include "reportsTestDir.h"
#include "toolkit/dialogs.h"
#include "ui/Readfile.h"
#include "ui/SettingsFormat.h"
#include "ui/main.h"
#include "ui/reportsWin.h"
#include "ui/saveDialogs.h"
#include "ui/talvikProgram.h"

using namespace talvik;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-report-link-test";

bool RunUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Application.ProcessMessages();
    }
    return true;
}

bool LinkIdle() { return !CommBusy && !RequestTriggerAdded && !WriteBusy; }

class ReportLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("TALVIK_RIG_DIR"), nullptr) << "run through ctest";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetMessageDialogHook(AnswerDialogs(shown, answers));
        Tmainform::SystemBeep = [] {};
        TPrintDialog::Hook = [](TPrintDialog*) { return std::optional<std::string>("TalvikFile"); };
        ReportFolderOverride = dir.File("");
        ResetLinkState();
        StartProgram();
        mainform->Timer1.SetEnabled(false);
        mainform->Show();
    }
    void TearDown() override {
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
        SetMessageDialogHook(nullptr);
        TPrintDialog::Hook = nullptr;
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        ReportFolderOverride.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }
    std::vector<std::string> errors;
    std::vector<ShownDialog> shown;
    std::vector<int> answers;
    ScratchDir dir;
};

TEST_F(ReportLinkTest, ReportOfDataReadFromTheRegulatorIsSavedViewedPrintedAndLogged) {
    mainform->Timer1.Tick();  // lifts the start-up guard
    mainform->Currsavecheck->SetChecked(true);
    mainform->Setsavecheck->SetChecked(true);
    mainform->ToolButton4Click();
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentStringLoaded; })) << mainform->Statusb->PanelText(5);
    EXPECT_TRUE(LogWritePending);  // a pair of pages in: the next tick logs it
    for (int kind = 4; kind <= 8; ++kind) {
        mainform->Getdata("Tsetform", kind);
        ASSERT_TRUE(RunUntil([kind] { return LinkIdle() && KindLoaded[kind]; })) << "kind " << kind;
    }
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());

    // What the report must say, from the same data as the windows show it.
    const CurrentLabelTexts labels = BuildCurrentTexts(0);
    std::vector<std::string> holds = {"QV DATA", "Battery Voltage\t" + labels.batvlab,
                                      "Day Range " + labels.maxminlab, CurrentSummaryText[1],
                                      "TIME " + labels.list[1] + "  FTIM " + labels.list[2], "CONTROL SETTINGS"};
    if (ModelVersion != 0) holds.push_back(ModelVersionText + "\t" + labels.nomvlab + "\tState: " + labels.Statelab);
    const char* tags[] = {"SET", "REG", "MODE", "EVENT", "GEN"};
    for (int g = 1; g <= 5; ++g) {
        holds.push_back(tags[g - 1]);
        const CaptionPick caption = SelectSettingCaption(g, 0);
        holds.push_back(SettingCaptionText(caption, 0) + "\t" + FormatSettingValue(g, 0));
    }

    mainform->ToolButton10Click();
    ASSERT_TRUE(mainform->Savebutton->Enabled());
    mainform->fileedit->SetText("NUVDATA1");
    mainform->SavebuttonClick();
    const std::string saved = dir.File("NUVDATA1");
    ASSERT_TRUE(FileExistsUtf8(saved));
    EXPECT_TRUE(shown.empty());
    ExpectTextOf(saved, "read-report.rtf", holds, {"HISTORY DATA", "CALIBRATION SETTINGS"});

    // The viewer shows that very file.
    mainform->ReadbuttonClick();
    ASSERT_TRUE(Readform->Visible());
    const std::string shown = Readform->Readedit->PlainText();
    EXPECT_NE(shown.find("Battery Voltage\t" + labels.batvlab), std::string::npos) << shown;
    EXPECT_NE(shown.find("CONTROL SETTINGS"), std::string::npos);

    // Printed from the print panel.
    mainform->ToolButton10Click();
    mainform->ToolButton11Click();
    ASSERT_TRUE(mainform->Printbutton->Visible());
    const std::vector<std::string> before = PrintedJobs();
    mainform->PrintbuttonClick();
    const std::string job = WaitForNewJob(before);
    ASSERT_FALSE(job.empty()) << "no job reached the test printer";
    EXPECT_NE(ReadWholeFile(job).find("%%Title: Print Data"), std::string::npos);
    std::vector<std::string> printed;
    for (const std::string& h : holds) printed.push_back(h);
    ExpectTextOf(job, "read-report.ps", printed);

    // The periodic log's record and CSV row from the same reading.
    mainform->logedit->SetText("QVLOG.RTF");
    mainform->Timer1.Tick();
    EXPECT_FALSE(LogWritePending);
    const std::string csv = ReadWholeFile(dir.File("LOGFILE.CSV"));
    EXPECT_NE(csv.find(labels.batvlab), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1);
    ExpectTextOf(dir.File("QVLOG.RTF"), "read-log.rtf",
                 {"QV DATA", "Battery Voltage\t" + labels.batvlab, "TIME " + labels.list[1]});
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ReportLinkTest, LogButtonAt2400BaudWritesTheLogRecordAndTheCsvRow) {
    mainform->Show();
    mainform->Timer1.Tick();  // lifts the start-up guard
    // 2400 baud from the port panel's list, as the user picks it.
    HWND baud = mainform->baudbox->Handle();
    SendMessageW(baud, CB_SETCURSEL, 2, 0);
    SendMessageW(GetParent(baud), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(baud), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(baud));
    ASSERT_EQ(mainform->Comport->GetBaud(), 2400);
    mainform->logedit->SetText("QVLOG.RTF");
    ASSERT_FALSE(SiteMode);
    ASSERT_EQ(mainform->sitebutton->Caption(), "LOG");

    // A click on the LOG button.
    SendMessageW(mainform->sitebutton->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(CommBusy);
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && LogWritePending; })) << mainform->Statusb->PanelText(5);
    EXPECT_TRUE(CurrentLoaded);        // both pages were read
    EXPECT_TRUE(CurrentStringLoaded);
    EXPECT_FALSE(ReadOnConnect);
    mainform->Timer1.Tick();
    EXPECT_FALSE(LogWritePending);

    const CurrentLabelTexts labels = BuildCurrentTexts(0);
    const std::string csv = ReadWholeFile(dir.File("LOGFILE.CSV"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1) << csv;
    EXPECT_NE(csv.find(labels.batvlab), std::string::npos) << csv;
    ExpectTextOf(dir.File("QVLOG.RTF"), "log-button-2400.rtf",
                 {"QV DATA", "Battery Voltage\t" + labels.batvlab, "TIME " + labels.list[1]});
    EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
