// The program's face under Wine: start-up order, settings kept in the registry, languages,
// the "-debug" switch, the exit panel, the debug and help windows and the version text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "base/debugchannel.h"
#include "ui/helpwin.h"
#include "ui/lang.h"
#include "link/uVar.h"
#include "ui/main.h"
#include "ui/mainImages.h"
#include "ui/allForms.h"
#include "ui/Settings.h"
#include "ui/SettingsFormat.h"
#include "ui/talvikProgram.h"
#include "ui/uDebug.h"
#include "ui/uRegistry_win32.h"
#include "ui/uVersionInfo.h"

using namespace talvik;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-main-window-test";

void DeleteTestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

// The face of the font the settings grid draws its cells with, as the system made it, and
// whether that font has a glyph for every character of a text (else the cell shows boxes).
std::string GridFontFace() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, setform->sgrid2->Font().Handle());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    char utf8[LF_FACESIZE * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, face, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}
bool GridHasGlyphsFor(const std::string& text) {
    const std::wstring w = Widen(text);
    std::vector<WORD> glyphs(w.size());
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, setform->sgrid2->Font().Handle());
    const DWORD n = GetGlyphIndicesW(dc, w.c_str(), static_cast<int>(w.size()), glyphs.data(),
                                     GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return n == w.size() && std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
        SetMessageDlgHook([this](const std::string& text, TMsgDlgType, unsigned) {
            questions.push_back(text);
            return answer;
        });
    }
    void TearDown() override {
        Shutdown();
        SetDebugSink(nullptr);
        SetMessageDlgHook(nullptr);
        TSaveDialog::Hook = nullptr;
        TFontDialog::Hook = nullptr;
        Application.OnException = nullptr;
        DeleteTestKey();
    }
    void Start(std::vector<std::string> args = {}) {
        Tmainform::ArgsOverride = std::move(args);
        lines.clear();
        StartProgram();
        mainform->Timer1.SetEnabled(false);  // ticks are driven by the tests
    }
    // Closes the main window as the exit button does, then frees what is left.
    void Shutdown() {
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
    }
    void Restart() {
        Shutdown();
        Start();
    }

    // A mouse click on a tool button's body, left of a drop-down arrow.
    static void ClickToolButtonBody(TToolButton* b) {
        RECT r = b->ScreenRect();
        POINT p{r.left + 8, (r.top + r.bottom) / 2};
        HWND bar = mainform->ToolBar1->Handle();
        ScreenToClient(bar, &p);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }

    std::vector<std::string> lines;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    TModalResult answer = TModalResult::mrYes;
};

TEST_F(MainWindowTest, StartsUpInOrderWithNineWindows) {
    DeleteTestKey();
    Start();
    const std::vector<std::string> expected = {"Load qvEquates", "Load qvUtility", "Load main",
                                               "Load helpwin",   "Load uDebug",    "Main Form Create Start"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6), expected);
    auto pos = [&](const std::string& s) { return std::find(lines.begin(), lines.end(), s) - lines.begin(); };
    EXPECT_LT(pos("&K0&Q0&D0"), pos("Main Form get version number"));
    EXPECT_LT(pos("Main Form get version number"), pos("Main Form Create completed"));
    EXPECT_LT(pos("Main Form Create completed"), pos("helpform"));
    EXPECT_LT(pos("helpform"), pos("Form1"));
    // The options window, created last, names itself last.
    EXPECT_EQ(static_cast<size_t>(pos("Form1")), lines.size() - 2);
    EXPECT_EQ(lines.back(), "OptionsForm");

    std::vector<std::string> names;
    for (TForm* f : Application.Forms()) names.push_back(f->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"mainform", "setform", "Currentform", "graphform", "helpform",
                                               "Readform", "xalform", "Form1", "OptionsForm"}));
    EXPECT_EQ(Application.MainForm, mainform);
    EXPECT_TRUE(StartupPending);
    // A first start: port 1 at 9600 baud in the status bar, every panel hidden, width fixed.
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM1");
    EXPECT_EQ(mainform->Statusb->PanelText(3), "9600");
    for (TControl* p : std::initializer_list<TControl*>{mainform->exitpanel, mainform->Langgroup, mainform->companel,
                                                          mainform->Dialpanel, mainform->Logpanel, mainform->sitepanel,
                                                          mainform->Savepanel, mainform->qvsetpanel,
                                                          mainform->Singlepanel})
        EXPECT_FALSE(p->Visible()) << p->Name;
    EXPECT_EQ(mainform->Width(), 640);
    EXPECT_EQ(mainform->Caption(), "TALVIK " + VersionInfo->VersionText());
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, FirstCloseWritesDefaultsAndARestartRestoresChanges) {
    DeleteTestKey();
    Start();
    Shutdown();
    RegIniStore reg(kTestKey);
    EXPECT_EQ(reg.ReadString("Settings", "Baud Rate", "?"), "3");
    EXPECT_EQ(reg.ReadString("Settings", "Periodic Log Rate", "?"), "2");
    EXPECT_EQ(reg.ReadString("Settings", "Modem Set String", "?"), "&K0&Q0&D0");
    EXPECT_EQ(reg.ReadString("Save Options", "Tapi selection", "?"), "1");
    EXPECT_EQ(reg.ReadString("Save Options", "Alarm Beep", "none"), "none");

    Start();
    mainform->germanselect->SetChecked(true);
    mainform->baudbox->SetItemIndex(1);
    mainform->ebDirectComPortNum->SetText("7");
    mainform->phonegrid->SetCell(1, 3, "Hut");
    mainform->phonegrid->SetCell(2, 3, "0123456789");
    Restart();
    EXPECT_EQ(LanguageNumber, 3);
    EXPECT_TRUE(mainform->germanselect->Checked());
    EXPECT_EQ(mainform->exitlab->Caption(), "Beenden?");
    EXPECT_EQ(mainform->baudbox->ItemIndex(), 1);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM7");
    EXPECT_EQ(mainform->Statusb->PanelText(3), "1200");
    EXPECT_EQ(mainform->phonegrid->Cell(1, 3), "Hut");
    EXPECT_EQ(mainform->phonegrid->Cell(2, 3), "0123456789");
    EXPECT_EQ(mainform->phonegrid->Cell(0, 16), "16");
}

TEST_F(MainWindowTest, BadRegistryValuesStartSoundly) {
    DeleteTestKey();
    {
        RegIniStore reg(kTestKey);
        reg.WriteString("Settings", "Baud Rate", "7");
        reg.WriteString("Settings", "Periodic Log Rate", "99");
        reg.WriteString("Settings", "Site Number", "250");
        reg.WriteString("Settings", "Direct Port Number", "abc");
    }
    Start();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(mainform->baudbox->ItemIndex(), 3);
    EXPECT_EQ(mainform->Statusb->PanelText(3), "9600");
    EXPECT_EQ(mainform->rateedit->Value(), 48);
    EXPECT_EQ(mainform->Sitespin->Value(), 240);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM1");
    Shutdown();
    RegIniStore reg(kTestKey);
    EXPECT_EQ(reg.ReadString("Settings", "Baud Rate", "?"), "3");
}

TEST_F(MainWindowTest, EmptySectionsGiveDefaultsAndAlarmValuesAreLeftAlone) {
    DeleteTestKey();
    HKEY k;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\Settings").c_str(), &k), ERROR_SUCCESS);
    RegCloseKey(k);
    RegIniStore(kTestKey).WriteString("Save Options", "Alarm Beep", "1");
    Start();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(mainform->rateedit->Value(), 2);
    EXPECT_EQ(mainform->TimedelayEdit->Value(), 2);
    EXPECT_EQ(mainform->Sitespin->Value(), 1);
    EXPECT_EQ(mainform->logedit->Text(), "LOGFILE");  // the log name is shown in upper case
    EXPECT_TRUE(mainform->Tapicheck->Checked());
    EXPECT_FALSE(mainform->Samplecheck->Checked());
    EXPECT_FALSE(mainform->rateedit->Edit->Enabled());
    EXPECT_FALSE(mainform->Lognumedit->Enabled());
    Shutdown();
    RegIniStore reg(kTestKey);
    EXPECT_EQ(reg.ReadString("Save Options", "Alarm Beep", "?"), "1");
    EXPECT_EQ(reg.ReadString("Save Options", "Alarm Dial", "none"), "none");
    EXPECT_EQ(reg.ReadString("Settings", "Site Number", "?"), "1");
    EXPECT_EQ(reg.ReadString("Font", "Lang 2 Name ", "?"), "UWPSTJ (GB)");
    EXPECT_EQ(reg.ReadString("Font", "Lang 3 Name ", "none"), "none");
}

TEST_F(MainWindowTest, LanguagesChangeCaptionsFontsAndTheCommandList) {
    DeleteTestKey();
    Start();
    EXPECT_EQ(mainform->exitlab->Caption(), "EXIT?");
    EXPECT_EQ(mainform->ToolButton1->Hint, "Exit");
    EXPECT_EQ(mainform->sendcombo->Left(), 96);
    // The settings window is open while the language changes; its grid started in Arial.
    mainform->ToolButton6Click();
    ASSERT_TRUE(setform->Visible());
    EXPECT_EQ(setform->sgrid2->Font().Name, "Arial");
    const std::string englishFace = GridFontFace();
    EXPECT_FALSE(GridHasGlyphsFor(SettingCaptionText({1, 0}, 2)));
    mainform->ToolButton2Click();
    EXPECT_TRUE(mainform->Langgroup->Visible());
    mainform->chineseselect->SetChecked(true);
    // The grid draws in Chinese's own font, as when the program starts in Chinese: every
    // character of its captions has a glyph.
    EXPECT_EQ(setform->sgrid2->Font().Name, LangFontName[2]);
    EXPECT_EQ(setform->sgrid2->Font().Charset, GB2312_CHARSET);
    EXPECT_NE(GridFontFace(), englishFace);
    for (int row = 0; row < 9; ++row) EXPECT_TRUE(GridHasGlyphsFor(SettingCaptionText({1, row}, 2))) << row;
    EXPECT_EQ(setform->sgrid2->Cell(0, 1), SettingCaptionText({1, 0}, 2));
    EXPECT_EQ(setform->progbutton->Caption(), At(At(SettingsUIText, 10), 2));
    EXPECT_FALSE(mainform->Langgroup->Visible());
    EXPECT_EQ(LanguageNumber, 2);
    EXPECT_EQ(mainform->exitlab->Caption(), CaptionText(2, 2));
    EXPECT_EQ(mainform->ToolButton2->ImageIndex(), 15);
    EXPECT_EQ(mainform->sendcombo->Left(), 75);
    EXPECT_EQ(mainform->sendcombo->Width(), 165);
    EXPECT_EQ(mainform->sendcombo->Item(0), CaptionText(30, 2));
    EXPECT_EQ(mainform->exitlab->Font().Charset, GB2312_CHARSET);
    EXPECT_EQ(mainform->phonegrid->Cell(1, 0), CaptionText(44, 2));
    mainform->englishselect->SetChecked(true);
    EXPECT_EQ(setform->sgrid2->Font().Name, "Arial");
    EXPECT_EQ(GridFontFace(), englishFace);
    EXPECT_EQ(setform->sgrid2->Cell(0, 1), "QV Time");
    EXPECT_EQ(mainform->sendcombo->Left(), 96);
    EXPECT_EQ(mainform->sendcombo->Width(), 145);
    EXPECT_EQ(mainform->exitlab->Font().Charset, 0);

    // French comes only from the registry; its empty rows show empty.
    Shutdown();
    RegIniStore(kTestKey).WriteString("Settings", "Language Number", "1");
    Start();
    EXPECT_EQ(mainform->fileedit->Hint(), "");
    EXPECT_EQ(mainform->Samplecheck->Caption(), "");
    EXPECT_FALSE(mainform->frenchselect->Enabled());
}

TEST_F(MainWindowTest, CancelledFontDialogStillHidesTheGroupAndAppliesCaptions) {
    DeleteTestKey();
    Start();
    mainform->ToolButton2Click();
    mainform->exitlab->SetCaption("stale");
    TFontDialog::Hook = [](TFontDialog*) { return std::optional<TFont>(); };
    mainform->fontselbutClick();
    EXPECT_FALSE(mainform->Langgroup->Visible());
    EXPECT_EQ(mainform->exitlab->Caption(), "EXIT?");
    TFontDialog::Hook = [](TFontDialog*) { return std::optional<TFont>(TFont{"Courier New", 12}); };
    mainform->fontselbutClick();
    EXPECT_EQ(LangFontName[0], "Courier New");
    EXPECT_EQ(mainform->exitlab->Font().Name, "Courier New");
}

TEST_F(MainWindowTest, DebugSwitchGivesToolsItsMenuAndOpensTheDebugWindow) {
    EXPECT_TRUE(IsDebugSwitch({"-DeBuG"}));
    EXPECT_FALSE(IsDebugSwitch({"-debugx"}));
    EXPECT_FALSE(IsDebugSwitch({"x", "-debug"}));
    EXPECT_FALSE(IsDebugSwitch({}));

    DeleteTestKey();
    Start({"-Debug"});
    EXPECT_EQ(mainform->ToolButton7->DropdownMenu(), &mainform->puTools);
    EXPECT_EQ(mainform->puTools.Item(0)->Caption, "&Send Single Command");
    EXPECT_EQ(mainform->puTools.Item(1)->Caption, "&Options");
    mainform->puTools.Item(0)->Click();
    EXPECT_TRUE(mainform->Singlepanel->Visible());
    mainform->puTools.Item(0)->Click();
    EXPECT_FALSE(mainform->Singlepanel->Visible());
    // A click on the button's body (not its arrow) toggles the panel too, although the debug
    // window traces from the start.
    ASSERT_TRUE(DebugEnabled);
    mainform->Show();
    ClickToolButtonBody(mainform->ToolButton7);
    EXPECT_TRUE(mainform->Singlepanel->Visible());
    ClickToolButtonBody(mainform->ToolButton7);
    EXPECT_FALSE(mainform->Singlepanel->Visible());

    mainform->ToolButton1Click();
    EXPECT_TRUE(mainform->exitpanel->Visible());
    EXPECT_TRUE(Form1->Visible());
    ASSERT_EQ(Form1->Memo1->LineCount(), 1);
    std::string line = Form1->Memo1->Lines()[0];
    EXPECT_EQ(line.size(), 19 + 1 + std::string("Debug Window Opened").size());
    EXPECT_EQ(line.substr(20), "Debug Window Opened");
    EXPECT_EQ(mainform->Versionlab->Caption(), VersionInfo->VersionText());
    EXPECT_EQ(mainform->exityesBitBtn->Caption(), "");
    mainform->ToolButton1Click();
    EXPECT_FALSE(mainform->exitpanel->Visible());
    mainform->ToolButton1Click();  // the debug window is already up: no second line
    EXPECT_EQ(Form1->Memo1->LineCount(), 1);
    // Its "Close" hides it, and so does Escape; tracing goes on.
    Form1->Memo1->Clear();
    DebugModified = false;
    SendMessageW(Form1->Button3->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(DebugEnabled);
    Form1->Show();
    EXPECT_TRUE(Form1->DialogKey(VK_ESCAPE));
    EXPECT_FALSE(Form1->Visible());
    Restart();
    EXPECT_EQ(mainform->ToolButton7->DropdownMenu(), nullptr);
    mainform->ToolButton1Click();
    EXPECT_FALSE(Form1->Visible());
    mainform->Show();
    ClickToolButtonBody(mainform->ToolButton7);
    EXPECT_TRUE(mainform->Singlepanel->Visible());
}

TEST_F(MainWindowTest, ToolsButtonShowsItsCaption) {
    DeleteTestKey();
    Start();
    // The glyph carries the word under the spanner: dark letters across most of the button's
    // lower part, where the other glyphs have none.
    auto inkInLowerBand = [](int image) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 39, 33);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all{0, 0, 39, 33};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ImageList_Draw(mainform->ImageList1.Handle(), image, dc, 0, 0, ILD_TRANSPARENT);
        int first = 39, last = -1;
        for (int y = 24; y < 33; ++y)
            for (int x = 0; x < 39; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        return last - first;
    };
    EXPECT_GT(inkInLowerBand(mainform->ToolButton7->ImageIndex()), 25);
    EXPECT_LT(inkInLowerBand(mainform->ToolButton3->ImageIndex()), 5);
}

TEST_F(MainWindowTest, SettingsButtonHidesTheProgramAllPanelEitherWay) {
    DeleteTestKey();
    Start();
    setform->qvprogpanel->Show();
    mainform->ToolButton6Click();
    EXPECT_TRUE(setform->Visible());
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    setform->qvprogpanel->Show();
    mainform->ToolButton6Click();
    EXPECT_FALSE(setform->Visible());
    EXPECT_FALSE(setform->qvprogpanel->Visible());
}

TEST_F(MainWindowTest, ExitYesEndsTheProgramAndWritesSettings) {
    DeleteTestKey();
    Start();
    // Escape answers No and Enter Yes while the question shows (keys reach shown windows only).
    mainform->Show();
    mainform->ToolButton1Click();
    EXPECT_TRUE(mainform->DialogKey(VK_ESCAPE));
    EXPECT_FALSE(mainform->exitpanel->Visible());
    EXPECT_FALSE(Application.Terminated());
    mainform->ToolButton1Click();
    mainform->exitnoBitBtn->Click();
    EXPECT_FALSE(mainform->exitpanel->Visible());
    mainform->ToolButton1Click();
    EXPECT_TRUE(mainform->DialogKey(VK_RETURN));
    EXPECT_TRUE(Application.Terminated());
    EXPECT_EQ(helpform, nullptr);  // the close handler frees the secondary windows
    EXPECT_EQ(RegIniStore(kTestKey).ReadString("Settings", "Language Number", "?"), "0");
}

TEST_F(MainWindowTest, LongHintOfTheButtonUnderTheMouseGoesToTheStatusBar) {
    DeleteTestKey();
    Start();
    mainform->Show();
    RECT r = mainform->ToolButton3->ScreenRect();
    Application.MouseMovedOver(mainform->ToolBar1->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(mainform->Statusb->PanelText(0), "Help");
    mainform->germanselect->SetChecked(true);
    r = mainform->ToolButton1->ScreenRect();
    Application.MouseMovedOver(mainform->ToolBar1->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(mainform->Statusb->PanelText(0), "Beenden");

    // A disabled save button shows its own hint through the panel under it.
    mainform->ToolButton10Click();
    mainform->Savebutton->SetEnabled(false);
    std::string hint = "panel";
    bool can = true;
    THintInfo info{mainform->Savepanel, POINT{mainform->Savebutton->Left() + 3, mainform->Savebutton->Top() + 3}};
    Application.OnShowHint(hint, can, info);
    EXPECT_EQ(hint, CaptionText(50, 3));
    hint = "panel";
    info.CursorPos = POINT{1, 1};
    Application.OnShowHint(hint, can, info);
    EXPECT_EQ(hint, "panel");
}

TEST_F(MainWindowTest, PhoneBookFollowsTheSelectionAndTheEdits) {
    DeleteTestKey();
    Start();
    mainform->phonegrid->SetCell(1, 2, "Shed");
    mainform->phonegrid->SetCell(2, 2, "555");
    mainform->PhoneListLine = 2;
    mainform->ToolButton9Click();
    EXPECT_TRUE(mainform->Dialpanel->Visible());
    EXPECT_EQ(mainform->dialedit->Text(), "555");
    EXPECT_EQ(mainform->phoneidedit->Text(), "Shed");
    // With the book hidden, typing edits only the dial fields.
    mainform->dialedit->SetText("556");
    EXPECT_EQ(mainform->phonegrid->Cell(2, 2), "555");
    mainform->bookbtnClick();
    EXPECT_EQ(mainform->Dialpanel->Height(), 306);
    mainform->dialedit->SetText("557");
    EXPECT_EQ(mainform->phonegrid->Cell(2, 2), "557");
    mainform->phonegrid->SetRow(5);
    EXPECT_EQ(mainform->PhoneListLine, 5);
    EXPECT_EQ(mainform->dialedit->Text(), "");
    mainform->bookbtnClick();
    EXPECT_EQ(mainform->Dialpanel->Height(), 98);
}

TEST_F(MainWindowTest, TickShowsTheClockAndEndsTheStartupGuard) {
    DeleteTestKey();
    Start();
    struct FakeHost : TimerHost {
        Tmainform* f;
        explicit FakeHost(Tmainform* m) : f(m) {}
        TimerNow Now() override { return {10, "10:30:00   07/12/2026"}; }
        void SetClockText(const std::string& t) override { f->Statusb->SetPanelText(1, t); }
        void comstatusupdate() override { f->comstatusupdate(); }
        bool SampleChecked() override { return f->Samplecheck->Checked(); }
        std::int32_t RateValue() override { return f->rateedit->Value(); }
        void SetRateEnabled(bool e) override { f->rateedit->SetEnabled(e); }
        void SetWaitTimeText(const std::string& t) override { f->Waittimelab->SetCaption(t); }
        bool DialupChecked() override { return false; }
        void HangupClick() override {}
        void DialupForLog() override {}
        void Getdata(std::int32_t) override {}
        std::string LogFileName() override { return {}; }
        std::string CsvFileName() override { return {}; }
        bool FileExists(const std::string&) override { return false; }
        bool FolderExists(const std::string&) override { return true; }
        bool IsRichTextFile(const std::string&) override { return true; }
        std::int64_t FreeSpace(const std::string&) override { return 1 << 30; }
        void BuildLogRecord(const std::string&, bool) override {}
        void SaveLogRecord(const std::string&) override {}
        void AppendCsvRow() override {}
        void LogWriteFailed(const std::string&) override {}
        void Beep() override {}
    };
    mainform->TimerHostImpl = std::make_unique<FakeHost>(mainform);
    lines.clear();
    mainform->Timer1.Tick();
    EXPECT_EQ(lines.front(), "timer event start");
    EXPECT_EQ(mainform->Statusb->PanelText(1), "10:30:00   07/12/2026");
    EXPECT_FALSE(StartupPending);
    // The hours left are shown before the first hour change (10 differs from the start value 0)
    // counts down.
    EXPECT_EQ(mainform->Waittimelab->Caption(), "  2");
    EXPECT_EQ(mainform->SampleCountdown, 1);
}

TEST_F(MainWindowTest, DebugWindowSavesOnceAsksAfterwardsAndReportsFailures) {
    DeleteTestKey();
    Start();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string path = std::string(tmp) + "talvik_debug_test.txt";
    DeleteFileA(path.c_str());
    DebugSaved = false;
    int asked = 0;
    TSaveDialog::Hook = [&](TSaveDialog*) {
        ++asked;
        return std::optional<std::string>();
    };
    AddDebugLine("one");
    EXPECT_TRUE(DebugModified);
    Form1->btnSaveLogClick(nullptr);  // cancelled: nothing saved
    EXPECT_TRUE(DebugModified);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    TSaveDialog::Hook = [&](TSaveDialog*) {
        ++asked;
        return std::optional<std::string>(path);
    };
    Form1->btnSaveLogClick(nullptr);
    AddDebugLine("two");
    Form1->btnSaveLogClick(nullptr);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(DebugModified);
    EXPECT_EQ(Form1->Caption(), path);
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "one\r\ntwo\r\n");

    // Clearing after new lines still asks the save question on closing.
    Form1->Show();
    AddDebugLine("three");
    answer = TModalResult::mrYes;
    Form1->Button1Click(nullptr);
    EXPECT_EQ(Form1->Memo1->LineCount(), 0);
    answer = TModalResult::mrCancel;
    questions.clear();
    bool canClose = true;
    Form1->FormCloseQuery(Form1, canClose);
    EXPECT_FALSE(canClose);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Save changes to talvik_debug_test.txt?");
    EXPECT_TRUE(DebugEnabled);

    // A save that fails reports "Error: ..." and leaves the flags.
    DebugFileName = "Z:\\no\\such\\dir\\log.txt";
    AddDebugLine("four");
    questions.clear();
    Form1->SaveDebugLog();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].rfind("Error: ", 0), 0u);
    EXPECT_TRUE(DebugModified);
    DeleteFileA(path.c_str());
    DebugSaved = false;
}

TEST_F(MainWindowTest, HelpWindowLoadsTheLanguageFileOrNamesTheMissingOne) {
    DeleteTestKey();
    Start();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    Thelpform::HelpDirectory = std::string(tmp) + "talvik_help_test\\";
    CreateDirectoryA(Thelpform::HelpDirectory.c_str(), nullptr);
    std::string eng = Thelpform::HelpDirectory + "qvhlpeng.rtf";
    {
        std::ofstream f(eng, std::ios::binary);
        f << "{\\rtf1\\ansi {\\fonttbl{\\f0 Arial;}}\\f0 How to connect\\par}";
    }
    LanguageNumber = 0;
    // Start-up leaves the text to the first showing: the help button shows the window, and
    // its activation reads the file.
    EXPECT_EQ(helpform->helpedit->PlainText(), "");
    mainform->ToolButton3Click();
    EXPECT_TRUE(helpform->Visible());
    EXPECT_EQ(helpform->Caption(), "HELP");
    EXPECT_EQ(helpform->helpedit->PlainText().substr(0, 14), "How to connect");
    mainform->ToolButton3Click();
    EXPECT_FALSE(helpform->Visible());
    helpform->helpedit->SetText("");
    helpform->FormCreate(helpform);
    EXPECT_EQ(helpform->helpedit->PlainText().substr(0, 14), "How to connect");

    LanguageNumber = 1;
    helpform->SetBounds(200, 300, 300, 200);
    helpform->FormCreate(helpform);
    EXPECT_EQ(helpform->Caption(), "ASSISTANCE");
    EXPECT_EQ(helpform->helpedit->PlainText(), " " + Thelpform::HelpDirectory + "qvhlpfre.rtf ");
    EXPECT_EQ(helpform->Left(), 0);
    EXPECT_EQ(helpform->Top(), 96);
    EXPECT_EQ(helpform->Width(), 500);

    LanguageNumber = 3;
    helpform->FormCreate(helpform);
    EXPECT_EQ(helpform->helpedit->PlainText(),
              "Fehler Datei " + Thelpform::HelpDirectory + "qvhlpger.rtf nicht gefunden");
    EXPECT_EQ(HelpFileName(7), "qvhlpeng.rtf");
    DeleteFileA(eng.c_str());
    RemoveDirectoryA(Thelpform::HelpDirectory.c_str());
    Thelpform::HelpDirectory.clear();
    LanguageNumber = 0;
}

TEST(VersionTest, ReadsTheFileVersionOfTheProgramFile) {
    T_Version v;
    EXPECT_EQ(v.VersionText(), "1.2.3.4");
    T_Version none(L"C:\\no\\such\\file.exe");
    EXPECT_EQ(none.VersionText(), "0.0.0.0");
}

}  // namespace

namespace {

// Every tool-bar image must carry a visible glyph, and the four flags must differ.
TEST(MainImagesTest, EveryImageHasAGlyphAndTheFlagsDiffer) {
    InitToolkit();
    TImageList list(39, 33);
    LoadMainImages(list);
    ASSERT_EQ(list.Count(), static_cast<int>(kImageCount));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 39, 33);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    std::vector<std::vector<COLORREF>> pixels;
    for (int i = 0; i < kImageCount; ++i) {
        RECT r{0, 0, 39, 33};
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &r, white);
        DeleteObject(white);
        list.Draw(dc, 0, 0, i);
        std::vector<COLORREF> p;
        int inked = 0;
        for (int y = 0; y < 33; ++y)
            for (int x = 0; x < 39; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                p.push_back(c);
                if (c != RGB(255, 255, 255)) ++inked;
            }
        EXPECT_GT(inked, 40) << "image " << i;
        EXPECT_EQ(std::count(p.begin(), p.end(), RGB(255, 0, 255)), 0) << "image " << i;  // mask works
        pixels.push_back(p);
    }
    for (int a = imgFlagEnglish; a <= imgFlagGerman; ++a)
        for (int b = a + 1; b <= imgFlagGerman; ++b) EXPECT_NE(pixels[a], pixels[b]);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

}  // namespace
