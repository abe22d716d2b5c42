// The main window's save, print and settings-file panels, the viewer and the periodic log under
// Wine, on real files and a real printer (the test printer rig): new report, append, overwrite
// and cancel, the messages, browsing, the viewer's two sources, printing from the panel and the
// viewer, log records added file by file, and the memory image saved and loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "base/format.h"
#include "link/qvEquates.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "dialogAnswers.h"
#include "reportCheck.h"
#include "reportsTestDir.h"
#include "toolkit/comctrls.h"
#include "toolkit/dialogs.h"
#include "ui/Readfile.h"
#include "ui/fileUtil.h"
#include "ui/lang.h"
#include "ui/main.h"
#include "ui/reportsWin.h"
#include "ui/saveDialogs.h"
#include "ui/talvikProgram.h"

using namespace talvik;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-reports-test";

// A current directory away from the report folder, for as long as it lives.
class ElsewhereCwd {
public:
    ElsewhereCwd() : old_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / "talvik_reports_elsewhere";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~ElsewhereCwd() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    bool Has(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

private:
    std::filesystem::path old_, dir_;
};

std::string Upper(const std::string& s) { return UpperCase(s); }
const char kPrinter[] = "TalvikFile";

class ReportsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetMessageDialogHook(AnswerDialogs(calls, answers));
        Tmainform::SystemBeep = [this] { ++beeps; };
        TReadform::ViewerBeep = [this] { ++viewerBeeps; };
        TPrintDialog::Hook = [](TPrintDialog*) { return std::optional<std::string>(kPrinter); };
        ReportFolderOverride = dir.File("");
        StartProgram();
        mainform->Timer1.SetEnabled(false);
    }
    void TearDown() override {
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
        SetMessageDialogHook(nullptr);
        TSaveDialog::Hook = nullptr;
        TPrintDialog::Hook = nullptr;
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        TReadform::ViewerBeep = [] { MessageBeep(0); };
        ReportFolderOverride.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        RegImage.fill(0);
        KindLoaded.Fill(false);
        CalibrationLoaded = HistoryLoaded = CurrentLoaded = CurrentStringLoaded = false;
        CommBusy = WriteBusy = false;
    }
    void Choose(const std::string& path) {
        TSaveDialog::Hook = [path](TSaveDialog*) { return std::optional<std::string>(path); };
    }
    // The regulator's current data and settings as a read leaves them, the save panel's
    // groups enabled as the link enables them.
    void DataAsRead() {
        for (int i = 0; i < ImageSize; ++i) RegImage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
        RegImage[0] = 5;
        RegImage[At(EquateAddress, 86)] = 1;  // 24 V
        RegImage[301] = 3;
        CurrentLoaded = CurrentStringLoaded = true;
        for (int k = 4; k <= 8; ++k) KindLoaded[k] = true;
        for (TCheckBox* c : {mainform->Currsavecheck, mainform->Setsavecheck}) {
            c->SetEnabled(true);
            c->SetChecked(true);
        }
        mainform->SaveButtonAvailable();
    }
    std::string PlainTextOf(const std::string& file) {
        TRichEdit view(mainform);
        view.LoadFromFile(file);
        return view.PlainText();
    }
    static int Count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
        return n;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const ShownDialog& c : calls) t.push_back(c.text);
        return t;
    }
    std::vector<std::string> errors;
    std::vector<ShownDialog> calls;
    std::vector<int> answers;
    int beeps = 0, viewerBeeps = 0;
    ScratchDir dir;
};

TEST_F(ReportsWindowTest, ToolButtonsLayTheSaveAndPrintPanelsOut) {
    mainform->ToolButton10Click();
    EXPECT_TRUE(mainform->Savepanel->Visible());
    EXPECT_EQ(mainform->Savepanel->Height(), 169);
    EXPECT_EQ(mainform->Savepanel->Hint(), "Save Data");
    for (TControl* c : std::initializer_list<TControl*>{mainform->qvsetbutton, mainform->Savebutton,
                                                        mainform->Readbutton, mainform->fileedit})
        EXPECT_TRUE(c->Visible()) << c->Name;
    EXPECT_FALSE(mainform->Printbutton->Visible());
    EXPECT_EQ(mainform->Currsavecheck->Top(), 16);
    EXPECT_EQ(mainform->Calsavecheck->Top(), 100);
    EXPECT_EQ(mainform->Savebutton->Left(), 152);
    EXPECT_EQ(mainform->Readbutton->Top(), 51);
    // Nothing read: Save is off although the current group is checked.
    mainform->Currsavecheck->SetChecked(true);
    mainform->Currsavecheck->Click();
    EXPECT_FALSE(mainform->Savebutton->Enabled());

    // The settings-file panel: its cancel button sits on it and closes it; closing the save
    // panel closes it too.
    mainform->qvsetbuttonClick();
    EXPECT_TRUE(mainform->qvsetpanel->Visible());
    EXPECT_EQ(GetParent(mainform->setcancelbut->Handle()), mainform->qvsetpanel->Handle());
    EXPECT_EQ(mainform->setcancelbut->Top(), 108);
    mainform->setcancelbutClick();
    EXPECT_FALSE(mainform->qvsetpanel->Visible());
    EXPECT_TRUE(mainform->Savepanel->Visible());
    mainform->qvsetbuttonClick();
    mainform->ToolButton10Click();
    EXPECT_FALSE(mainform->Savepanel->Visible());
    EXPECT_FALSE(mainform->qvsetpanel->Visible());

    mainform->ToolButton11Click();
    EXPECT_TRUE(mainform->Savepanel->Visible());
    EXPECT_EQ(mainform->Savepanel->Height(), 127);
    EXPECT_EQ(mainform->Savepanel->Hint(), "Print Data");
    EXPECT_TRUE(mainform->Printbutton->Visible());
    EXPECT_EQ(mainform->Printbutton->Left(), 152);
    EXPECT_EQ(mainform->Printbutton->Top(), 18);
    EXPECT_EQ(mainform->Printbutton->Width(), 50);
    for (TControl* c : std::initializer_list<TControl*>{mainform->qvsetbutton, mainform->Savebutton,
                                                        mainform->Readbutton, mainform->fileedit})
        EXPECT_FALSE(c->Visible()) << c->Name;

    // A group box clicked re-evaluates the Save button.
    DataAsRead();
    mainform->Currsavecheck->SetChecked(false);
    mainform->Setsavecheck->SetChecked(false);
    mainform->Setsavecheck->Click();
    EXPECT_FALSE(mainform->Savebutton->Enabled());
    mainform->Setsavecheck->SetChecked(true);
    mainform->Setsavecheck->Click();
    EXPECT_TRUE(mainform->Savebutton->Enabled());
}

TEST_F(ReportsWindowTest, SaveWritesANewReportThenAppendsOverwritesOrCancels) {
    DataAsRead();
    const std::string name = dir.File("NUVDATA1");
    mainform->fileedit->SetText("NUVDATA1");
    {
        // The current directory is not where a bare name goes.
        ElsewhereCwd elsewhere;
        mainform->SavebuttonClick();
        EXPECT_FALSE(elsewhere.Has("NUVDATA1"));
    }
    EXPECT_TRUE(calls.empty());
    ASSERT_TRUE(FileExistsUtf8(name));
    EXPECT_EQ(mainform->SaveFileName, name);
    const std::string first = ReadWholeFile(name);
    EXPECT_EQ(first.rfind("{\\rtf", 0), 0u);
    const std::string text = PlainTextOf(name);
    const CurrentLabelTexts labels = BuildCurrentTexts(0);
    EXPECT_EQ(Count(text, "QV DATA"), 1);
    EXPECT_NE(text.find(ModelVersionText + "\t24V\tState: " + labels.Statelab), std::string::npos) << text;
    EXPECT_NE(text.find("Battery Voltage\t" + labels.batvlab), std::string::npos);
    EXPECT_NE(text.find("CONTROL SETTINGS"), std::string::npos);
    EXPECT_EQ(text.find("HISTORY DATA"), std::string::npos);
    ExpectTextOf(name, "new-report.rtf",
                 {"QV DATA", "File Name: " + name, ModelVersionText + "\t24V\tState: " + labels.Statelab,
                  "Battery Voltage\t" + labels.batvlab, "TIME " + labels.list[1], "CONTROL SETTINGS", "SET", "GEN"},
                 {"HISTORY DATA", "CALIBRATION SETTINGS"});

    // Saving again asks; Cancel leaves the file byte for byte.
    answers = {2};
    mainform->SavebuttonClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].question);
    EXPECT_EQ(calls[0].caption, "Save File Action");
    EXPECT_EQ(calls[0].text, "File already exists...");
    EXPECT_EQ(calls[0].buttons, (std::vector<std::string>{"Append", "Overwrite", "Cancel"}));
    EXPECT_EQ(ReadWholeFile(name), first);

    // Append keeps the first report and adds the second after it.
    answers = {1};
    mainform->SavebuttonClick();
    const std::string appended = PlainTextOf(name);
    EXPECT_EQ(Count(appended, "QV DATA"), 2);
    EXPECT_EQ(appended.find(text.substr(0, text.find("CONTROL SETTINGS"))), 0u);
    ExpectTextOf(name, "appended.rtf", {"QV DATA", "CONTROL SETTINGS"});

    // Overwrite leaves one report.
    answers = {3};
    mainform->SavebuttonClick();
    EXPECT_EQ(Count(PlainTextOf(name), "QV DATA"), 1);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ReportsWindowTest, NothingChosenMissingFolderAndForeignFilesAreRefused) {
    // Nothing read: the checked current group is not chosen.
    mainform->fileedit->SetText("NUVDATA1");
    mainform->SavebuttonClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, "Nothing to save");
    EXPECT_EQ(calls[0].caption, "Information");
    EXPECT_EQ(calls[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_FALSE(FileExistsUtf8(dir.File("NUVDATA1")));

    // A group enabled and checked whose read failed holds nothing: still nothing to save.
    mainform->Datasavecheck->SetEnabled(true);
    mainform->Datasavecheck->SetChecked(true);
    mainform->SavebuttonClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Nothing to save", "Nothing to save"}));

    DataAsRead();
    calls.clear();
    mainform->fileedit->SetText(dir.File("missing\\NUVDATA1"));
    mainform->SavebuttonClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Specified directory does not exist"}));
    EXPECT_EQ(calls[0].kind, SaveMessageKind::Warning);
    EXPECT_FALSE(std::filesystem::exists(PathOfUtf8(dir.File("missing"))));

    // A file that is not a report is not appended to; Overwrite is the user's own choice.
    const std::string foreign = dir.File("notes.doc");
    PutFile(foreign, "Shopping list\r\nbattery water\r\n");
    mainform->fileedit->SetText(foreign);
    calls.clear();
    answers = {1};
    mainform->SavebuttonClick();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].question);
    EXPECT_EQ(calls[1].kind, SaveMessageKind::Warning);
    EXPECT_EQ(calls[1].text, Upper(foreign) + " is not a rich-text report file: nothing was added to it, and it is "
                                              "left as it was.");
    EXPECT_EQ(ReadWholeFile(foreign), "Shopping list\r\nbattery water\r\n");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReportsWindowTest, BrowseShowsReportFilesAndACancelSavesNothing) {
    DataAsRead();
    mainform->fileedit->SetText("NUVDATA1");
    std::string filter, ext, offered;
    TSaveDialog::Hook = [&](TSaveDialog* d) {
        filter = d->Filter;
        ext = d->DefaultExt;
        offered = d->FileName;
        return std::optional<std::string>();
    };
    mainform->btnSaveClick();
    EXPECT_EQ(filter, "QV Report (*.doc;*.rtf)|*.doc;*.rtf");
    EXPECT_EQ(ext, "doc");
    EXPECT_EQ(offered, dir.File("NUVDATA1"));
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(FileExistsUtf8(dir.File("NUVDATA1")));
    EXPECT_EQ(mainform->fileedit->Text(), "NUVDATA1");

    const std::string chosen = dir.File("SITE2.DOC");
    Choose(chosen);
    mainform->btnSaveClick();
    EXPECT_TRUE(FileExistsUtf8(chosen));
    EXPECT_EQ(LowerCase(mainform->fileedit->Text()), LowerCase(chosen));
    EXPECT_EQ(LowerCase(mainform->SaveFileName), LowerCase(chosen));
    EXPECT_TRUE(calls.empty());
}

TEST_F(ReportsWindowTest, ViewerShowsTheReportJustSavedOrTheLogOrSaysItIsMissing) {
    DataAsRead();
    mainform->fileedit->SetText("NUVDATA1");
    mainform->SavebuttonClick();
    {
        ElsewhereCwd elsewhere;
        mainform->ReadbuttonClick();
    }
    ASSERT_TRUE(Readform->Visible());
    EXPECT_FALSE(mainform->ReadFromLogName);
    EXPECT_EQ(Readform->Caption(), "View Data in file");
    EXPECT_EQ(Readform->filelab->Caption(), "Data in file:  " + dir.File("NUVDATA1"));
    EXPECT_EQ(Readform->BitBtn1->Hint(), "Print File");
    EXPECT_EQ(Readform->BitBtn2->Hint(), "Close Window");
    EXPECT_NE(Readform->Readedit->PlainText().find("QV DATA"), std::string::npos);
    EXPECT_EQ(viewerBeeps, 0);
    EXPECT_EQ(Readform->Width(), 640);

    Readform->BitBtn2Click();
    EXPECT_FALSE(Readform->Visible());

    // The log panel's view button: the log file, missing here.
    mainform->logedit->SetText("QVLOG.RTF");
    mainform->LogreadClick();
    EXPECT_TRUE(mainform->ReadFromLogName);
    EXPECT_EQ(Readform->filelab->Caption(), "Data in file:  " + dir.File("QVLOG.RTF"));
    EXPECT_EQ(Readform->Readedit->PlainText(), "ERROR -file does not exist");
    EXPECT_EQ(viewerBeeps, 1);

    // In German the viewer speaks German.
    mainform->germanselect->SetChecked(true);
    Readform->FormActivate(Readform);
    EXPECT_EQ(Readform->Caption(), ReadformTextOf(rfViewDataInFile, 3));
    EXPECT_EQ(Readform->Readedit->PlainText(), ReadformTextOf(rfFileMissing, 3));
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReportsWindowTest, ANameWithAFolderPartIsSavedAndViewedUnderTheReportFolder) {
    DataAsRead();
    std::filesystem::create_directories(dir.File("SUB"));
    mainform->fileedit->SetText("SUB\\NUVDATA2");
    {
        // The current directory has a folder of that name too: neither the save nor the
        // viewer may go there.
        ElsewhereCwd elsewhere;
        std::filesystem::create_directories("SUB");
        mainform->SavebuttonClick();
        EXPECT_FALSE(elsewhere.Has("SUB\\NUVDATA2"));
        mainform->ReadbuttonClick();
    }
    EXPECT_TRUE(calls.empty()) << calls.front().text;
    const std::string name = dir.File("SUB\\NUVDATA2");
    ASSERT_TRUE(FileExistsUtf8(name));
    EXPECT_EQ(mainform->SaveFileName, name);
    ASSERT_TRUE(Readform->Visible());
    EXPECT_EQ(Readform->filelab->Caption(), "Data in file:  " + name);
    EXPECT_NE(Readform->Readedit->PlainText().find("QV DATA"), std::string::npos);
    EXPECT_EQ(viewerBeeps, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReportsWindowTest, PrintGoesToTheChosenPrinterWithItsJobTitle) {
    DataAsRead();
    mainform->fileedit->SetText("NUVDATA1");
    const CurrentLabelTexts labels = BuildCurrentTexts(0);

    // Cancelled in the print dialog: no job.
    std::vector<std::string> before = PrintedJobs();
    TPrintDialog::Hook = [](TPrintDialog*) { return std::optional<std::string>(); };
    mainform->PrintbuttonClick();
    std::string chosenPrinter;
    TPrintDialog::Hook = [&chosenPrinter](TPrintDialog* d) {
        chosenPrinter = kPrinter;
        (void)d;
        return std::optional<std::string>(kPrinter);
    };
    mainform->PrintbuttonClick();
    const std::string job = WaitForNewJob(before);
    ASSERT_FALSE(job.empty()) << "no job reached the test printer";
    EXPECT_EQ(PrintedJobs().size(), before.size() + 1);  // the cancelled one never came
    const std::string ps = ReadWholeFile(job);
    EXPECT_NE(ps.find("%%Title: Print Data"), std::string::npos) << ps.substr(0, 300);
    ExpectTextOf(job, "panel-print.ps",
                 {"QV DATA", "File Name: NUVDATA1", "Battery Voltage", labels.batvlab, "CONTROL SETTINGS"});

    // The viewer prints what it shows, with its own title.
    mainform->SavebuttonClick();
    mainform->ReadbuttonClick();
    before = PrintedJobs();
    Readform->BitBtn1Click();
    const std::string viewerJob = WaitForNewJob(before);
    ASSERT_FALSE(viewerJob.empty());
    EXPECT_NE(ReadWholeFile(viewerJob).find("%%Title: QV Data PrintOut"), std::string::npos);
    ExpectTextOf(viewerJob, "viewer-print.ps", {"QV DATA", "CONTROL SETTINGS"});
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// The system's print dialog of this process, once it is up; nullptr when none is.
BOOL CALLBACK FindPrintDialog(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[16] = L"";
    GetClassNameW(h, cls, 16);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0 && GetDlgItem(h, IDOK)) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

HWND PrintDialogUp() {
    HWND found = nullptr;
    EnumWindows(FindPrintDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(ReportsWindowTest, ThePrintDialogOffersThePrinterAndPrintsOnIt) {
    DataAsRead();
    TPrintDialog::Hook = nullptr;
    const std::vector<std::string> before = PrintedJobs();
    // The user's side: wait for the dialog, see the printer chosen, press OK.
    std::string shownPrinter;
    std::thread user([&shownPrinter] {
        for (int i = 0; i < 200; ++i) {
            if (HWND dlg = PrintDialogUp()) {
                // The dialog fills its printer list once shown: wait for it (longer on a busy machine).
                wchar_t name[128] = L"";
                for (int k = 0; k < 300 && !name[0]; ++k) {
                    Sleep(50);
                    GetDlgItemTextW(dlg, 0x473 /* the printer list, cmb4 */, name, 128);
                }
                shownPrinter = Narrow(name);
                PostMessageW(dlg, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(100);
        }
    });
    mainform->PrintbuttonClick();
    user.join();
    EXPECT_EQ(shownPrinter, kPrinter);
    const std::string job = WaitForNewJob(before);
    ASSERT_FALSE(job.empty()) << "no job reached the test printer";
    EXPECT_NE(ReadWholeFile(job).find("%%Title: Print Data"), std::string::npos);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ReportsWindowTest, LogRecordsAddUpInBothFilesInTheReportFolder) {
    auto elsewhere = std::make_unique<ElsewhereCwd>();
    mainform->logedit->SetText("SITE LOG.RTF");
    const std::string log = dir.File("SITE LOG.RTF");
    const std::string csv = dir.File("LOGFILE.CSV");

    LogWritePending = true;
    mainform->Timer1Timer();
    EXPECT_FALSE(LogWritePending);
    ASSERT_TRUE(FileExistsUtf8(log));
    EXPECT_EQ(ReadWholeFile(log).rfind("{\\rtf", 0), 0u);
    const std::string csvAfterOne = ReadWholeFile(csv);

    LogWritePending = true;
    mainform->Timer1Timer();
    const std::string csvAfterTwo = ReadWholeFile(csv);
    EXPECT_FALSE(elsewhere->Has("LOGFILE.CSV"));
    elsewhere.reset();

    // One row of 37 fields per record, the first row kept as it was.
    ASSERT_FALSE(csvAfterOne.empty());
    EXPECT_EQ(csvAfterTwo.substr(0, csvAfterOne.size()), csvAfterOne);
    EXPECT_EQ(std::count(csvAfterTwo.begin(), csvAfterTwo.end(), '\n'), 2);
    const std::string row = csvAfterOne.substr(0, csvAfterOne.find("\r\n"));
    int commasOutsideQuotes = 0;
    bool inQuotes = false;
    for (char c : row) {
        if (c == '"') inQuotes = !inQuotes;
        if (c == ',' && !inQuotes) ++commasOutsideQuotes;
    }
    EXPECT_EQ(commasOutsideQuotes, 36) << row;

    const std::string text = PlainTextOf(log);
    EXPECT_EQ(Count(text, "QV DATA"), 2) << text;
    EXPECT_NE(text.find(std::string(62, '-')), std::string::npos);
    ExpectTextOf(log, "log.rtf", {"QV DATA", "Battery Voltage", "TIME "});
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
}

TEST_F(ReportsWindowTest, EachLogThatCanBeWrittenIsAndTheOthersAreNamedInOneMessage) {
    mainform->logedit->SetText("QVLOG.RTF");
    const std::string log = dir.File("QVLOG.RTF");
    const std::string csv = dir.File("LOGFILE.CSV");
    // A folder where LOGFILE.CSV should be: no row can be added to it, whoever runs the test.
    std::filesystem::create_directory(PathOfUtf8(csv));
    LogWritePending = true;
    mainform->Timer1Timer();
    EXPECT_EQ(Count(PlainTextOf(log), "QV DATA"), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("The log record was not written to:\r\n" + csv + ": ", 0), 0u) << errors[0];
    EXPECT_EQ(errors[0].find("QVLOG"), std::string::npos) << errors[0];

    // A log file that is not ours is left as it was; the CSV, writable again, gets its row.
    std::filesystem::remove(PathOfUtf8(csv));
    errors.clear();
    PutFile(log, "someone else's notes");
    LogWritePending = true;
    mainform->Timer1Timer();
    EXPECT_EQ(ReadWholeFile(log), "someone else's notes");
    const std::string rows = ReadWholeFile(csv);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "The log record was not written to:\r\n" + log + ": not a rich-text log, left as it was");

    // Both refused: one message names both, and neither file changed.
    errors.clear();
    std::filesystem::remove(PathOfUtf8(csv));
    std::filesystem::create_directory(PathOfUtf8(csv));
    LogWritePending = true;
    mainform->Timer1Timer();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("\r\n" + log + ": not a rich-text log"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("\r\n" + csv + ": "), std::string::npos) << errors[0];
    EXPECT_EQ(ReadWholeFile(log), "someone else's notes");
}

// A file the user marked read-only is never written to, whichever writer comes to it: the
// message names the file, the file keeps its bytes and its mark, and nothing is left beside it.
TEST_F(ReportsWindowTest, FilesMarkedReadOnlyAreRefusedByNameAndLeftAsTheyWere) {
    const auto markReadOnly = [](const std::string& f, bool on) {
        ASSERT_TRUE(SetFileAttributesW(Widen(f).c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
    };
    const auto readOnly = [](const std::string& f) {
        const DWORD a = GetFileAttributesW(Widen(f).c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
    };
    const auto refusal = [](const std::string& f) { return f + " is marked read-only. Nothing was written to it."; };

    // The settings file, through the save tool button, the panel's QV button and its save; the
    // save dialog's "replace it?" was answered Yes.
    const std::string stp = dir.File("good.stp");
    const std::string goodImage(512, '\x05');
    PutFile(stp, goodImage);
    markReadOnly(stp, true);
    RegImage.fill(9);
    Choose(stp);
    mainform->ToolButton10Click();
    mainform->qvsetbuttonClick();
    ASSERT_TRUE(mainform->qvsetpanel->Visible());
    mainform->setsavebbutClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{refusal(stp)}));
    EXPECT_TRUE(calls.empty() || calls[0].kind == SaveMessageKind::Error);
    EXPECT_TRUE(mainform->qvsetpanel->Visible());
    // In the window's language.
    LanguageNumber = LangGerman;
    mainform->setsavebbutClick();
    LanguageNumber = LangEnglish;
    EXPECT_EQ(Texts(), (std::vector<std::string>{refusal(stp),
                                                 stp + " ist schreibgeschützt. Es wurde nichts hineingeschrieben."}));
    EXPECT_EQ(ReadWholeFile(stp), goodImage);
    EXPECT_TRUE(readOnly(stp));

    // A report, through the save panel's button: neither Overwrite nor Append touches it.
    DataAsRead();
    const std::string report = dir.File("KEEP.DOC");
    mainform->fileedit->SetText("KEEP.DOC");
    ASSERT_TRUE(mainform->Savebutton->Enabled());
    const auto pressSave = [] { SendMessageW(mainform->Savebutton->Handle(), BM_CLICK, 0, 0); };
    pressSave();
    ASSERT_TRUE(errors.empty()) << errors[0];
    const std::string kept = ReadWholeFile(report);
    markReadOnly(report, true);
    calls.clear();
    answers = {3, 1};
    pressSave();
    pressSave();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].question && calls[1].question);
    EXPECT_EQ(errors, (std::vector<std::string>(2, refusal(report))));
    EXPECT_EQ(ReadWholeFile(report), kept);
    EXPECT_TRUE(readOnly(report));

    // The periodic log and its CSV rows: the one message names both.
    errors.clear();
    mainform->logedit->SetText("QVLOG.RTF");
    const std::string log = dir.File("QVLOG.RTF");
    const std::string csv = dir.File("LOGFILE.CSV");
    LogWritePending = true;
    mainform->Timer1Timer();
    ASSERT_TRUE(errors.empty()) << errors[0];
    const std::string logBytes = ReadWholeFile(log), csvBytes = ReadWholeFile(csv);
    markReadOnly(log, true);
    markReadOnly(csv, true);
    LogWritePending = true;
    mainform->Timer1Timer();
    EXPECT_EQ(errors, (std::vector<std::string>{"The log record was not written to:\r\n" + refusal(log) + "\r\n" +
                                                refusal(csv)}));
    EXPECT_EQ(ReadWholeFile(log), logBytes);
    EXPECT_EQ(ReadWholeFile(csv), csvBytes);
    EXPECT_TRUE(readOnly(log) && readOnly(csv));

    // Nothing half-written beside them.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"KEEP.DOC", "LOGFILE.CSV", "QVLOG.RTF", "good.stp"}));
    for (const std::string& f : {stp, report, log, csv}) markReadOnly(f, false);
}

TEST_F(ReportsWindowTest, SettingsFileSavedAndLoadedThroughThePanel) {
    for (int i = 0; i < ImageSize; ++i) RegImage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    // The settings the list sends as the simulator's demo regulator holds them.
    const std::string demo = ReadWholeFile(TALVIK_DEMO_IMAGE);
    ASSERT_EQ(demo.size(), 512u);
    RegImage[0] = static_cast<std::uint8_t>(demo[0]);
    for (int a = SettingListFirst; a <= SettingListLast; ++a)
        RegImage[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(demo[static_cast<std::size_t>(a)]);
    const auto saved = RegImage;
    const std::string name = dir.File("regulator.stp");
    mainform->qvsetpanel->Show();
    Choose(name);
    mainform->setsavebbutClick();
    EXPECT_FALSE(mainform->qvsetpanel->Visible());
    const std::string bytes = ReadWholeFile(name);
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 130);

    RegImage.fill(1);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    // Current data and history read before: the file's copies of them are no live data.
    CurrentLoaded = HistoryLoaded = true;
    mainform->Currsavecheck->SetEnabled(true);
    mainform->Datasavecheck->SetEnabled(true);
    mainform->qvsetpanel->Show();
    mainform->setgetbbutClick();
    EXPECT_EQ(RegImage, saved);
    EXPECT_FALSE(mainform->qvsetpanel->Visible());
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());
    EXPECT_TRUE(mainform->Calsavecheck->Enabled());
    EXPECT_FALSE(mainform->Currsavecheck->Enabled());
    EXPECT_FALSE(mainform->Datasavecheck->Enabled());
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_FALSE(HistoryLoaded);
    EXPECT_TRUE(KindLoaded[6]);
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(errors.empty());
    // Loaded settings make a report of their own.
    mainform->Setsavecheck->SetChecked(true);
    EXPECT_TRUE(mainform->Savebutton->Enabled());
}

TEST_F(ReportsWindowTest, SettingsFileRefusedWhileTheRegulatorIsBusyOrTheFileIsWrong) {
    RegImage.fill(7);
    const std::string good = dir.File("good.stp");
    PutFile(good, std::string(512, '\x02'));
    Choose(good);
    for (bool* busy : {&CommBusy, &WriteBusy}) {
        *busy = true;
        mainform->qvsetpanel->Show();
        mainform->setgetbbutClick();
        *busy = false;
        EXPECT_EQ(RegImage[0], 7);
        EXPECT_FALSE(KindLoaded[4]);
        EXPECT_TRUE(mainform->qvsetpanel->Visible());
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>(2, "A settings file cannot be loaded while the regulator is "
                                                    "being read or programmed.")));
    EXPECT_EQ(calls[0].kind, SaveMessageKind::Warning);

    calls.clear();
    const std::string name = dir.File("short.stp");
    PutFile(name, std::string(100, '\x09'));
    Choose(name);
    mainform->setgetbbutClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, SaveMessageKind::Error);
    EXPECT_NE(calls[0].text.find("100 bytes"), std::string::npos) << calls[0].text;
    EXPECT_EQ(RegImage[0], 7);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    EXPECT_TRUE(mainform->qvsetpanel->Visible());

    // 512 random bytes: refused, naming what is wrong, in the language of the window.
    const auto shortFileCalls = calls;
    calls.clear();
    std::string noise(512, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : noise) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    PutFile(dir.File("noise.stp"), noise);
    Choose(dir.File("noise.stp"));
    LanguageNumber = LangFrench;
    mainform->setgetbbutClick();
    LanguageNumber = LangEnglish;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, SaveMessageKind::Error);
    EXPECT_EQ(calls[0].text.rfind("noise.stp contient des réglages que l'éditeur de réglages n'admet pas : « ", 0), 0u)
        << calls[0].text;
    EXPECT_EQ(RegImage[0], 7);
    EXPECT_FALSE(KindLoaded[4]);

    // 700 MB (sparse on disk): refused by its size at once, never read.
    calls.clear();
    const std::string huge = dir.File("huge.stp");
    {
        HANDLE h = CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = 700ll * 1024 * 1024;
        ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(h));
        CloseHandle(h);
    }
    Choose(huge);
    mainform->setgetbbutClick();
    DeleteFileA(huge.c_str());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, "huge.stp is not a settings file: it holds 734003200 bytes, a settings file holds "
                             "exactly 512. Nothing was loaded.");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(RegImage[0], 7);
    calls = shortFileCalls;

    Choose(dir.File("gone.stp"));
    mainform->setgetbbutClick();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(calls.size(), 1u);

    // A save that cannot be written is an error in the same dialog; the panel stays.
    Choose(dir.File("nofolder\\x.stp"));
    mainform->setsavebbutClick();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].kind, SaveMessageKind::Error);
    EXPECT_TRUE(mainform->qvsetpanel->Visible());

    TSaveDialog::Hook = [](TSaveDialog*) { return std::optional<std::string>(); };
    mainform->setgetbbutClick();
    mainform->setsavebbutClick();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_TRUE(mainform->qvsetpanel->Visible());
}

}  // namespace
