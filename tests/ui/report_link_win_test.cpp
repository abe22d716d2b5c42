// Reports of data read from a regulator: the main window reads the current data and the five
// settings groups from the serial rig's regulator simulator (COM1), then saves, views and
// prints the report and writes the periodic log record, as a user would from its panels. The
// saved and printed reports are read afterwards with standard tools (report_text_check.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>

#include "base/debugchannel.h"
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

// The message boxes of this process that stand open, and the text one of them shows.
BOOL CALLBACK AddOpenBox(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[16] = L"";
    GetClassNameW(h, cls, 16);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> OpenBoxes() {
    std::vector<HWND> boxes;
    EnumWindows(AddOpenBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

BOOL CALLBACK AddStaticText(HWND h, LPARAM lp) {
    wchar_t cls[16] = L"";
    GetClassNameW(h, cls, 16);
    if (_wcsicmp(cls, L"Static") == 0) {
        wchar_t text[2048] = L"";
        GetWindowTextW(h, text, 2048);
        *reinterpret_cast<std::string*>(lp) += Narrow(text);
    }
    return TRUE;
}

std::string BoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, AddStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

long Rows(const std::string& csv) { return std::count(csv.begin(), csv.end(), '\n'); }

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
        SetDebugSink(nullptr);
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

// A log named in a folder that is not there: the message says so, and the LOG button pressed
// again while that message stands adds no second box; both records' CSV rows are written.
TEST_F(ReportLinkTest, ALogInAMissingFolderIsNamedAndTwoForcedLogsLeaveOneBox) {
    mainform->Timer1.Tick();  // lifts the start-up guard
    mainform->logedit->SetText("NO SUCH FOLDER\\QVLOG.RTF");
    const std::string folder = dir.File("NO SUCH FOLDER");
    const std::string csv = dir.File("LOGFILE.CSV");
    ASSERT_EQ(mainform->sitebutton->Caption(), "LOG");

    // The real box, with the one-second tick running under it as it does for the user.
    Application.OnException = nullptr;
    std::atomic<int> failures{0};
    SetDebugSink([&failures](std::string_view l) {
        if (l.rfind("log write failed", 0) == 0) ++failures;
    });
    mainform->Timer1.SetEnabled(true);
    const HWND logButton = mainform->sitebutton->Handle();
    const HWND main = mainform->Handle();
    std::atomic<bool> done{false};
    std::string firstText;
    long rowsAtSecond = -1;
    size_t openAtSecond = 0;
    std::thread user([&] {
        const auto waitFor = [](const std::function<bool()>& c) {
            for (int i = 0; i < 2400; ++i) {
                if (c()) return true;
                Sleep(50);
            }
            return false;
        };
        std::vector<HWND> open;
        if (waitFor([&] { return !(open = OpenBoxes()).empty(); })) {
            firstText = BoxText(open[0]);
            // LOG again, as the button tells its parent of a click.
            PostMessageW(GetParent(logButton), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(logButton), BN_CLICKED),
                         reinterpret_cast<LPARAM>(logButton));
            if (waitFor([&] { return failures >= 2; })) {
                // Once the window thread answers, whatever the second failure put up is up.
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
                openAtSecond = OpenBoxes().size();
                rowsAtSecond = Rows(ReadWholeFile(csv));
            }
            for (HWND b : OpenBoxes()) PostMessageW(b, WM_COMMAND, IDOK, 0);
        }
        done = true;
    });
    SendMessageW(logButton, BM_CLICK, 0, 0);
    const bool finished = RunUntil([&] { return done.load(); }, 240000);
    user.join();
    mainform->Timer1.SetEnabled(false);
    ASSERT_TRUE(finished);
    // The box breaks long lines to stay on the screen.
    firstText.erase(std::remove_if(firstText.begin(), firstText.end(), [](char c) { return c == '\r' || c == '\n'; }),
                    firstText.end());

    EXPECT_NE(firstText.find("the folder " + folder + " does not exist"), std::string::npos) << firstText;
    EXPECT_EQ(firstText.find("disk space"), std::string::npos) << firstText;
    ASSERT_EQ(failures.load(), 2);
    EXPECT_EQ(openAtSecond, 1u);
    EXPECT_EQ(rowsAtSecond, 2);
    EXPECT_FALSE(FileExistsUtf8(dir.File("NO SUCH FOLDER\\QVLOG.RTF")));

    // Once the box is answered, the next failure is told again.
    Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
    LogWritePending = true;
    mainform->Timer1.Tick();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(folder), std::string::npos) << errors[0];
    EXPECT_EQ(Rows(ReadWholeFile(csv)), 3);
}

}  // namespace
