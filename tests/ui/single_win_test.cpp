// The single-command panel, the options window and the main window's settings under Wine,
// against the serial rig's regulator simulators: COM1 a single regulator, COM2 a regulator at
// site 17, COM3 a regulator whose history page is nearly cleared. ctest starts the rig in a
// Wine prefix of this test's own and names its folder in TALVIK_RIG_DIR. COM4 is a single
// regulator with random memory for the history test run.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/allForms.h"
#include "ui/singleCommand.h"
#include "ui/SettingsFormat.h"
#include "ui/talvikProgram.h"
#include "ui/uDebug.h"
#include "ui/uOptions.h"
#include "ui/uRegistry.h"
#include "WinRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

// One key per test process: the history tests run beside the others.
const std::string kTestKey = "Software\\Corvanel\\TALVIK-single-test-" + std::to_string(GetCurrentProcessId());
constexpr int kSitePort = 2;
constexpr int kHistoryPort = 3;
constexpr int kHistoryTestPort = 4;
constexpr int kSite = 17;

std::string SimMemory(int port) { return ReadWholeFile(RigFile("mem" + std::to_string(port) + ".bin")); }

int MemByte(const std::string& mem, int address) { return static_cast<unsigned char>(mem.at(address)); }

std::vector<HeardFrame> FramesSince(int port, size_t before) {
    std::vector<HeardFrame> f = FramesHeard(port);
    f.erase(f.begin(), f.begin() + static_cast<long>(std::min(before, f.size())));
    return f;
}

std::vector<int> Frame4(int cmd, int addr, int data) { return {cmd, addr, data, 0xFF ^ cmd}; }
std::vector<int> Frame5(int site, int cmd, int addr, int data) {
    return {site, cmd, addr, data, (site + cmd + addr + data) & 0xFF};
}

std::string RegText(const std::string& section, const std::string& name) {
    const std::string key = kTestKey + "\\" + section;
    char buf[20000] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return buf;
}

void SetRegText(const std::string& section, const std::string& name, const std::string& value) {
    const std::string key = kTestKey + "\\" + section;
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

long RegDword(const std::string& name) {
    const std::string key = kTestKey + "\\Options";
    DWORD v = 0, size = sizeof v;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &v, &size) !=
        ERROR_SUCCESS)
        return -999;
    return static_cast<long>(v);
}

class SingleCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("TALVIK_RIG_DIR"), nullptr) << "TALVIK_RIG_DIR not set: run through ctest";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
        Tmainform::RegistryKeyPath = kTestKey;
        // The long history runs share the display with other tests: their window stays hidden
        // so that it takes no focus (the panel's controls work the same unseen).
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        showWindow = name.find("History") == std::string::npos;
        Start({});
    }
    void TearDown() override {
        if (HasFailure()) {
            std::ofstream out(RigFile(std::string("debug-") +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"));
            for (const std::string& l : lines) out << l << "\n";
        }
        Stop();
        SetMessageDlgHook(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
    }

    void Start(const std::vector<std::string>& args) {
        Tmainform::ArgsOverride = args;
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
        Tmainform::SystemBeep = [this] { ++beeps; };
        ResetLinkState();
        StartProgram();
        mainform->Timer1.SetEnabled(false);  // ticks are driven by the tests
        if (showWindow) mainform->Show();
        running = true;
    }
    // The program's end as the exit button gives it: settings written, windows destroyed.
    void Stop() {
        if (!running) return;
        running = false;
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
        SetDebugSink(nullptr);
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
    }
    void Restart(const std::vector<std::string>& args = {}) {
        Stop();
        Start(args);
    }

    static bool RunUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
        return test::RunProgramUntil(done, limitMs);
    }
    static bool LinkIdle() { return !CommBusy && !RequestTriggerAdded && !HistLoadMode; }
    static void FirstTick() { mainform->Timer1.Tick(); }

    // The command list as the user picks from it.
    static void Choose(int index) { PickFromList(mainform->sendcombo->Handle(), index); }
    static void Click(TControl* b) { SendMessageW(b->Handle(), BM_CLICK, 0, 0); }
    static std::vector<std::string> ListItems() {
        std::vector<std::string> items;
        for (int i = 0; i < mainform->sendcombo->Count(); ++i) items.push_back(mainform->sendcombo->Item(i));
        return items;
    }
    // One command sent with the panel: the frames the simulator heard for it, of which it is
    // to hear at least `expected`.
    std::vector<HeardFrame> Send(int port, int index, const std::string& address, const std::string& data,
                                 size_t expected = 1) {
        const size_t before = FramesHeard(port).size();
        Choose(index);
        mainform->spinSendAddress->SetText(address);
        mainform->spinSendData->SetText(data);
        Click(mainform->singsend);
        EXPECT_TRUE(RunUntil(LinkIdle, 20000));
        // The simulator logs a frame once it has taken it in, which on a loaded machine can be
        // after the link is done with a command that gets no reply; then a while more for any
        // frame that should not have been sent.
        EXPECT_TRUE(RunUntil([&] { return FramesSince(port, before).size() >= expected; }, 10000))
            << "the simulator heard fewer than " << expected << " frames";
        RunUntil([&] { return false; }, 300);
        return FramesSince(port, before);
    }
    static std::vector<std::vector<int>> Bytes(const std::vector<HeardFrame>& frames) {
        std::vector<std::vector<int>> out;
        for (const HeardFrame& f : frames) out.push_back(f.bytes);
        return out;
    }
    bool Traced(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

    std::vector<std::string> lines, errors;
    int beeps = 0;
    bool running = false;
    bool showWindow = true;
};

TEST_F(SingleCommandTest, EachCommandOfTheListSendsItsFrameAndShowsTheReply) {
    FirstTick();
    const std::string mem = SimMemory(1);
    ASSERT_EQ(mem.size(), 512u);
    // Log mode: eight commands, the last switching to site mode.
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"Read QV Ram", "Read E2prom", "Write QV Ram", "Write E2prom",
                                                     "Loopback", "Clear History", "Test History",
                                                     "Select Site mode"}));
    mainform->DisplaySingleCommandWindow();
    ASSERT_TRUE(mainform->Singlepanel->Visible());

    // Read QV Ram: address only.
    auto frames = Send(1, scReadRam, "5", "0");
    EXPECT_TRUE(mainform->spinSendAddress->Visible());
    EXPECT_FALSE(mainform->spinSendData->Visible());
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x14, 5, 0)}));
    EXPECT_EQ(mainform->Reccap->Caption(), "Reply:");
    EXPECT_EQ(mainform->reclab->Caption(), std::to_string(MemByte(mem, 5)));

    // Read E2prom at EEPROM address 31 (image 287).
    frames = Send(1, scReadEeprom, "31", "0");
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x48, 31, 0)}));
    EXPECT_EQ(mainform->reclab->Caption(), std::to_string(MemByte(mem, 256 + 31)));

    // Write QV Ram: no unlock, the simulator's RAM changes, no reply shown.
    frames = Send(1, scWriteRam, "7", "90");
    EXPECT_TRUE(mainform->spinSendData->Visible());
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x98, 7, 90)}));
    EXPECT_EQ(MemByte(SimMemory(1), 7), 90);
    EXPECT_EQ(mainform->reclab->Caption(), "");

    // Write E2prom: the unlock write to RAM 250 goes first, then the write; the EEPROM changes.
    frames = Send(1, scWriteEeprom, "40", "51", 2);
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x98, 250, 165), Frame4(0xCA, 40, 51)}));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].outcome, "written");
    EXPECT_EQ(MemByte(SimMemory(1), 256 + 40), 51);

    // Loopback: the regulator answers the data byte.
    frames = Send(1, scLoopback, "9", "66");
    EXPECT_FALSE(mainform->spinSendAddress->Visible());
    EXPECT_FALSE(mainform->spinSendData->Visible());
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0xBB, 9, 66)}));
    EXPECT_EQ(mainform->reclab->Caption(), "66");

    // A read after the writes shows what was written.
    Send(1, scReadEeprom, "40", "0");
    EXPECT_EQ(mainform->reclab->Caption(), "51");
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(errors.empty()) << errors.front();

    // With the port gone nothing is left waiting: the status says so.
    mainform->ebDirectComPortNum->SetText("74");
    Choose(scReadRam);
    Click(mainform->singsend);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::CantOpenPort, 0));
}

TEST_F(SingleCommandTest, SiteModeReadsTheRegulatorAtTheChosenSiteAndSetsAZirbSite) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kSitePort));
    const std::string mem = SimMemory(kSitePort);
    mainform->DisplaySingleCommandWindow();

    // Choosing "Select Site mode" turns the list into the site list, first entry chosen.
    Choose(scModeOrZirb);
    EXPECT_TRUE(SiteMode);
    EXPECT_EQ(mainform->sendcombo->Count(), 10);
    EXPECT_EQ(mainform->sendcombo->ItemIndex(), 0);
    EXPECT_EQ(mainform->sendcombo->Item(7), "Set ZIRB Site");
    EXPECT_EQ(mainform->sendcombo->Item(9), "Select Log mode");
    EXPECT_EQ(mainform->sitebutton->Hint(), "Select Site Number");
    // The site button opens the site panel; the spinner names the site.
    mainform->sitebuttonClick();
    EXPECT_TRUE(mainform->sitepanel->Visible());
    EXPECT_EQ(mainform->Sitelab->Caption(), "SITE NUMBER");
    mainform->Sitespin->Edit->SetText(std::to_string(kSite));
    EXPECT_EQ(mainform->sitebutton->Caption(), std::to_string(kSite));

    auto frames = Send(kSitePort, scReadRam, "5", "0");
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame5(kSite, 0x14, 5, 0)}));
    EXPECT_EQ(mainform->reclab->Caption(), std::to_string(MemByte(mem, 5)));
    // Another site's regulator does not answer this one's frames.
    mainform->Sitespin->Edit->SetText("18");
    frames = Send(kSitePort, scReadRam, "5", "0");
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].outcome, "other-site");
    EXPECT_EQ(mainform->reclab->Caption(), "");

    // "Set ZIRB Site" with site 23: the site-set loopback to 101, then a loopback at the new
    // site checks it, and the regulator answers there.
    mainform->Sitespin->Edit->SetText("23");
    Choose(scModeOrZirb);
    EXPECT_TRUE(mainform->spinSendData->Visible());
    EXPECT_EQ(mainform->Singlab3->Caption(), "SITE NUMBER");
    frames = Send(kSitePort, scModeOrZirb, "0", "77", 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, Frame5(23, 0xBB, 101, RandomTestByte));
    EXPECT_EQ(frames[0].outcome, "site-set");
    EXPECT_EQ(frames[1].bytes, Frame5(23, 0xBB, RandomTestByte, 77));
    EXPECT_EQ(mainform->Reccap->Caption(), "Site");
    EXPECT_EQ(mainform->reclab->Caption(), "77");
    frames = Send(kSitePort, scReadRam, "6", "0");
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame5(23, 0x14, 6, 0)}));
    EXPECT_EQ(mainform->reclab->Caption(), std::to_string(MemByte(mem, 6)));

    // "Program XAL" shows the accessory window; Send then sends nothing.
    Choose(scProgramXal);
    EXPECT_TRUE(xalform->Visible());
    frames = Send(kSitePort, scProgramXal, "0", "0", 0);
    EXPECT_TRUE(frames.empty());

    // Back to log mode: eight entries, the button forces a log again.
    Choose(scLogMode);
    EXPECT_FALSE(SiteMode);
    EXPECT_EQ(mainform->sendcombo->Count(), 8);
    EXPECT_EQ(mainform->sitebutton->Caption(), "LOG");
    EXPECT_EQ(mainform->sitebutton->Hint(), "Force a periodic log to occur");
    EXPECT_TRUE(errors.empty()) << errors.front();

    // The mode is kept for the next start.
    Choose(scModeOrZirb);
    Restart();
    EXPECT_TRUE(SiteMode);
    EXPECT_EQ(mainform->sendcombo->Count(), 10);
    EXPECT_EQ(mainform->sitebutton->Caption(), "23");
}

// Drives the modal options window from inside its loop.
std::function<void()>* g_inDialog = nullptr;
VOID CALLBACK RunInDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_inDialog) (*g_inDialog)();
}
TModalResult ShowOptionsWith(std::function<void()> action) {
    g_inDialog = &action;
    SetTimer(nullptr, 0, 300, RunInDialog);
    Options1Click();
    g_inDialog = nullptr;
    return OptionsForm->ModalResult();
}

TEST_F(SingleCommandTest, HexFormatFromTheOptionsWindowAndThePositionSurviveARestart) {
    // First start, no "Options" key: decimal, the main window at 240, 45.
    EXPECT_EQ(mainform->Left(), 240);
    EXPECT_EQ(mainform->Top(), 45);
    EXPECT_EQ(mainform->Singlab2->Caption(), "Address  (Dec)");
    EXPECT_EQ(OptionsForm->Caption(), "Options - General");

    // Hex chosen and cancelled with Escape: nothing changes now. Tab moves from the tree on.
    ShowOptionsWith([] {
        SendMessageW(OptionsForm->grpSingleCommandNumberKind->Button(1)->Handle(), BM_CLICK, 0, 0);
        SetFocus(OptionsForm->XcTreeView1->Handle());
        PostMessageW(OptionsForm->XcTreeView1->Handle(), WM_KEYDOWN, VK_TAB, 0);
        Application.ProcessMessages();
        EXPECT_EQ(GetFocus(), OptionsForm->btnOK->Handle());
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(OptionsForm->ModalResult(), TModalResult::mrCancel);
    EXPECT_EQ(mainform->Singlab2->Caption(), "Address  (Dec)");
    EXPECT_NE(RegDword("SingleCommandNumberKind"), 1);

    // The tree shows the page of its node; Hex and OK relabel the address input at once.
    ShowOptionsWith([] {
        EXPECT_EQ(OptionsForm->grpSingleCommandNumberKind->ItemIndex(), 0);  // reset on opening
        OptionsForm->XcTreeView1->SetItemIndex(1);
        EXPECT_EQ(OptionsForm->ActivePage(), 1);
        EXPECT_EQ(OptionsForm->Caption(), "Options - Single Command");
        EXPECT_TRUE(OptionsForm->grpSingleCommandNumberKind->Showing());
        SendMessageW(OptionsForm->grpSingleCommandNumberKind->Button(1)->Handle(), BM_CLICK, 0, 0);
        SendMessageW(OptionsForm->btnOK->Handle(), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(OptionsForm->ModalResult(), TModalResult::mrOk);
    EXPECT_EQ(mainform->Singlab2->Caption(), "Address  (Hex)");
    EXPECT_EQ(RegDword("SingleCommandNumberKind"), 1);

    // "1F" typed as the address reads address 31; the reply shows both forms.
    FirstTick();
    const std::string mem = SimMemory(1);
    mainform->DisplaySingleCommandWindow();
    auto frames = Send(1, scReadRam, "1F", "0");
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x14, 31, 0)}));
    const int v = MemByte(mem, 31);
    EXPECT_EQ(mainform->reclab->Caption(), Format("%d 0x%02X", v, v));
    // The arrows step in hexadecimal.
    SendMessageW(mainform->spinSendAddress->Handle(), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(mainform->spinSendAddress->Text(), "20");
    EXPECT_EQ(mainform->spinSendAddress->Value(), 32);

    // The window moved; at the next start it is there again, and the format is Hex.
    mainform->SetBounds(300, 200, mainform->Width(), mainform->Height());
    Restart();
    EXPECT_EQ(RegDword("MainFormLeft"), 300);
    EXPECT_EQ(RegDword("MainFormTop"), 200);
    EXPECT_EQ(mainform->Left(), 300);
    EXPECT_EQ(mainform->Top(), 200);
    EXPECT_EQ(mainform->Singlab2->Caption(), "Address  (Hex)");
    EXPECT_EQ(OptionsForm->grpSingleCommandNumberKind->ItemIndex(), 1);

    // Stored values beyond the screen and beyond the two formats are not taken as they are.
    Stop();
    const std::string key = kTestKey + "\\Options";
    DWORD farLeft = 30000, kind = 7;
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "MainFormLeft", REG_DWORD, &farLeft, sizeof farLeft);
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "SingleCommandNumberKind", REG_DWORD, &kind, sizeof kind);
    Start({});
    RECT screen{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_LE(mainform->Left() + mainform->Width(), screen.right);
    EXPECT_EQ(mainform->Singlab2->Caption(), "Address  (Dec)");
    EXPECT_EQ(OptionsForm->grpSingleCommandNumberKind->ItemIndex(), 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// The tree of the options dialog as drawn: the distance between its two rows, the height of its
// font and its line colour.
struct OptionsTreeLooks {
    int rowPitch = 0, fontHeight = 0;
    COLORREF lineColor = 0;
    std::string fontName;
};
OptionsTreeLooks LooksOfTheOptionsTree() {
    OptionsTreeLooks looks;
    HWND tree = OptionsForm->XcTreeView1->Handle();
    RECT first{}, second{};
    *reinterpret_cast<HTREEITEM*>(&first) = TreeView_GetRoot(tree);
    *reinterpret_cast<HTREEITEM*>(&second) = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    if (SendMessageW(tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&first)) &&
        SendMessageW(tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&second)))
        looks.rowPitch = second.top - first.top;
    HDC dc = GetDC(tree);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(tree, dc);
    looks.fontHeight = tm.tmHeight;
    looks.lineColor = static_cast<COLORREF>(SendMessageW(tree, TVM_GETLINECOLOR, 0, 0));
    looks.fontName = OptionsForm->XcTreeView1->Font().Name;
    return looks;
}

TEST_F(SingleCommandTest, OptionsDialogTreeHasItsLooksAndRowsFitTheFont) {
    OptionsTreeLooks looks;
    ShowOptionsWith([&] {
        looks = LooksOfTheOptionsTree();
        // A dialog: no minimise or maximise box.
        const LONG style = GetWindowLongW(OptionsForm->Handle(), GWL_STYLE);
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        PostMessageW(OptionsForm->btnCancel->Handle(), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(looks.rowPitch, 18);
    EXPECT_EQ(looks.lineColor, static_cast<COLORREF>(13160660));

    // In Chinese the 12-point font is taller: the rows grow with it.
    Click(mainform->chineseselect);
    ASSERT_EQ(LanguageNumber, 2);
    ShowOptionsWith([&] {
        looks = LooksOfTheOptionsTree();
        PostMessageW(OptionsForm->btnCancel->Handle(), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(looks.fontName, LangFontName[2]);
    EXPECT_GE(looks.rowPitch, 18);
    EXPECT_GE(looks.rowPitch, looks.fontHeight + 2);
    Click(mainform->englishselect);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SingleCommandTest, NumberInputsAreAqua) {
    mainform->DisplaySingleCommandWindow();
    Choose(scWriteRam);
    SetForegroundWindow(mainform->Handle());
    for (TXcSpinEdit* spin : {mainform->spinSendAddress, mainform->spinSendData}) {
        ASSERT_TRUE(spin->Showing());
        UpdateWindow(spin->Handle());
        RECT client;
        GetClientRect(spin->Handle(), &client);
        HDC dc = GetDC(spin->Handle());
        // Right of the "0", left of the button.
        const COLORREF c = GetPixel(dc, client.right - spin->ButtonWidth() - 6, client.bottom / 2);
        ReleaseDC(spin->Handle(), dc);
        EXPECT_EQ(c, RGB(0, 255, 255)) << spin->Name;
    }
}

TEST_F(SingleCommandTest, HistoryClearMendsThePageAndAReadShowsIt) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kHistoryPort));
    mainform->DisplaySingleCommandWindow();
    const size_t before = FramesHeard(kHistoryPort).size();

    // Clear: 0 at the first byte of the ring, 255 everywhere else, the day pointer 0.
    Choose(scClearHistory);
    EXPECT_FALSE(mainform->spinSendAddress->Visible());
    Click(mainform->singsend);
    EXPECT_TRUE(HistLoadMode);
    ASSERT_TRUE(RunUntil(LinkIdle, 120000));
    const std::string mem = SimMemory(kHistoryPort);
    EXPECT_EQ(MemByte(mem, DayPointerAddress), 0);
    EXPECT_EQ(MemByte(mem, 302), 0);
    for (int a = 303; a < 512; ++a) ASSERT_EQ(MemByte(mem, a), 255) << "address " << a;
    // The run starts with the unlock frame and the write of 0 to the day pointer (EEPROM 45),
    // and rewrites only the bytes that differed, each behind its unlock frame.
    const auto frames = FramesSince(kHistoryPort, before);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, Frame4(0x98, 250, 165));
    EXPECT_EQ(frames[1].bytes, Frame4(0xCA, 45, 0));
    const auto written = std::count_if(frames.begin(), frames.end(), [](const HeardFrame& f) {
        return f.command == "eeprom-write" && f.outcome == "written";
    });
    EXPECT_EQ(written, 1 + 6);  // the day pointer and the six bytes the rig left uncleared
    const auto refused = std::count_if(frames.begin(), frames.end(), [](const HeardFrame& f) {
        return f.outcome == "not-unlocked";
    });
    EXPECT_EQ(refused, 0);

    // A history read afterwards shows the cleared page.
    mainform->Getdata("Tgraphform", 10);
    ASSERT_TRUE(RunUntil(LinkIdle, 120000));
    EXPECT_TRUE(HistoryLoaded);
    for (int a = 302; a < 512; ++a) ASSERT_EQ(RegImage[a], MemByte(mem, a)) << "address " << a;
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// Closing right after a write's unlock frame: the question comes first, and the last frame the
// regulator hears is the write, never the unlock that would leave its EEPROM open.
TEST_F(SingleCommandTest, WriteE2promAndAnImmediateCloseStillSendTheWrite) {
    FirstTick();
    mainform->DisplaySingleCommandWindow();
    std::vector<std::string> boxes;
    SetMessageDlgHook([&](const std::string& text, TMsgDlgType, unsigned) {
        boxes.push_back(text);
        return TModalResult::mrYes;
    });
    const size_t before = FramesHeard(1).size();
    Choose(scWriteEeprom);
    mainform->spinSendAddress->SetText("41");
    mainform->spinSendData->SetText("77");
    Click(mainform->singsend);
    Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], At(At(SettingsUIText, kCloseWhileWritingText), 0));
    RunUntil([&] { return FramesSince(1, before).size() >= 2; }, 3000);
    const auto frames = FramesSince(1, before);
    EXPECT_EQ(Bytes(frames), (std::vector<std::vector<int>>{Frame4(0x98, 250, 165), Frame4(0xCA, 41, 77)}));
    EXPECT_EQ(MemByte(SimMemory(1), 256 + 41), 77);
}

TEST_F(SingleCommandTest, HistoryTestClosedMidwayLeavesNoUnlockFrameLast) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kHistoryTestPort));
    mainform->DisplaySingleCommandWindow();
    std::vector<std::string> boxes;
    SetMessageDlgHook([&](const std::string& text, TMsgDlgType, unsigned) {
        boxes.push_back(text);
        return TModalResult::mrYes;
    });
    const size_t before = FramesHeard(kHistoryTestPort).size();
    Choose(scTestHistory);
    Click(mainform->singsend);
    // The worst moment: a byte that differs is being rewritten and its unlock frame has just gone.
    ASSERT_TRUE(RunUntil([] { return HistLoadMode && UnlockPending && ReadNum < 200; }, 120000));
    const int address = ParkedAddress, data = ParkedData;
    Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("history"), std::string::npos) << boxes[0];
    // The closing write reaches the simulator when the machine gets round to it: wait for it,
    // then a while more, in which no unlock frame may follow it.
    EXPECT_TRUE(RunUntil([&] {
        const auto heard = FramesSince(kHistoryTestPort, before);
        return !heard.empty() && heard.back().bytes == Frame4(0xCA, address & 0xFF, data);
    }, 10000));
    RunUntil([] { return false; }, 500);
    const auto frames = FramesSince(kHistoryTestPort, before);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2].bytes, Frame4(0x98, 250, 165));
    EXPECT_EQ(frames.back().bytes, Frame4(0xCA, address & 0xFF, data));
    EXPECT_EQ(frames.back().outcome, "written");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SingleCommandTest, HistoryTestWritesTheTestPatternAndAReadShowsIt) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kHistoryTestPort));
    mainform->DisplaySingleCommandWindow();
    // Test: the test pattern from position 210 down to 1 over a page of random bytes.
    Choose(scTestHistory);
    Click(mainform->singsend);
    EXPECT_TRUE(HistLoadMode);
    EXPECT_FALSE(HistClearMode);
    ASSERT_TRUE(RunUntil(LinkIdle, 500000));
    const std::string mem = SimMemory(kHistoryTestPort);
    for (int n = 1; n <= 210; ++n) ASSERT_EQ(MemByte(mem, 301 + n), historyvalue(n, false)) << "position " << n;
    EXPECT_EQ(MemByte(mem, 301 + 7), 1);     // day 0, field 6
    EXPECT_EQ(MemByte(mem, 301 + 5), 164);   // day 0, field 4: 420 mod 256
    EXPECT_EQ(MemByte(mem, DayPointerAddress), 0);
    mainform->Getdata("Tgraphform", 10);
    ASSERT_TRUE(RunUntil(LinkIdle, 120000));
    EXPECT_TRUE(HistoryLoaded);
    for (int a = 302; a < 512; ++a) ASSERT_EQ(RegImage[a], MemByte(mem, a)) << "address " << a;
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SingleCommandTest, ForcedLogLeavesNoReadOnConnectBehind) {
    // Refused before the first tick.
    mainform->sitebuttonClick();
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(ReadOnConnect);
    EXPECT_EQ(mainform->sitebutton->Caption(), "LOG");

    // Below 9600 baud the forced log reads both pages too, and its record is due.
    FirstTick();
    mainform->baudbox->SetItemIndex(2);
    size_t heard = FramesHeard(1).size();
    mainform->sitebuttonClick();
    EXPECT_TRUE(CommBusy);
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && LogWritePending; }));
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(CurrentStringLoaded);
    EXPECT_FALSE(ReadOnConnect);
    EXPECT_FALSE(LoggingRead);
    std::vector<int> asked;
    for (const HeardFrame& f : FramesSince(1, heard))
        if (asked.empty() || asked.back() != f.image) asked.push_back(f.image);
    EXPECT_EQ(asked.size(), KindAddressTable(3).size() + KindAddressTable(2).size());
    LogWritePending = false;

    // A forced log whose page fails leaves no flag behind: the next periodic log is free to dial.
    mainform->ebDirectComPortNum->SetText("74");
    mainform->sitebuttonClick();
    ASSERT_TRUE(RunUntil(LinkIdle));
    EXPECT_FALSE(ReadOnConnect);
    EXPECT_FALSE(LoggingRead);
    EXPECT_FALSE(LogWritePending);
    mainform->ebDirectComPortNum->SetText("1");

    // At 9600 the pair completes and the log record is due.
    mainform->baudbox->SetItemIndex(3);
    mainform->sitebuttonClick();
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && LogWritePending; }));
    EXPECT_FALSE(ReadOnConnect);

    // A log dial in progress keeps its own flag when the button is refused.
    Dialling = true;
    ReadOnConnect = true;
    mainform->sitebuttonClick();
    EXPECT_TRUE(ReadOnConnect);
    Dialling = false;
    ReadOnConnect = false;
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SingleCommandTest, BadPortNumbersAndRefusedSendsAreToldInTheStatusBar) {
    FirstTick();
    mainform->ToolButton8Click();
    // The port open, as a read or the baud list leaves it (the entry in use changes nothing:
    // another one first).
    for (int entry : {2, 3}) {
        mainform->baudbox->SetItemIndex(entry);
        mainform->baudboxChange();
    }
    ASSERT_TRUE(mainform->Comport->GetOpen());

    // "99" typed into the port field, one key at a time: no port 9 nor 99 is there.
    HWND edit = mainform->ebDirectComPortNum->Handle();
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, '9', 1);
    SendMessageW(edit, EM_SETSEL, 1, 1);
    SendMessageW(edit, WM_CHAR, '9', 1);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "99");
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(DirectPortNumber, 99);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM99");
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::PortSetException, 0));
    EXPECT_GT(beeps, 0);
    // A port that is there is taken at the next request.
    mainform->ebDirectComPortNum->SetText("1");
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM1");

    // A single command while a write holds the line: nothing is sent and the status says why.
    mainform->DisplaySingleCommandWindow();
    const size_t heard = FramesHeard(1).size();
    WriteBusy = true;
    Choose(scReadRam);
    Click(mainform->singsend);
    WriteBusy = false;
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::LineBusy, 0));
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(FramesHeard(1).size(), heard);
    EXPECT_FALSE(CommBusy);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SingleCommandTest, SettingsComeBackAsTheControlsHoldThem) {
    // A port number above 127 is kept; one above 254 is limited.
    mainform->ebDirectComPortNum->SetText("200");
    mainform->ebModemComPortNum->SetText("300");
    EXPECT_EQ(mainform->ebModemComPortNum->Text(), "254");
    // The set-up string typed is the one kept; checking the telephony box shows the device in
    // the same edit, which is never taken for a set-up string.
    mainform->Tapicheck->SetChecked(false);
    mainform->TapicheckClick();
    mainform->Setupedit->SetText("X7");
    mainform->Tapicheck->SetChecked(true);
    mainform->TapicheckClick();
    EXPECT_EQ(mainform->ModemSetString, "X7");
    Restart();
    EXPECT_EQ(RegText("Settings", "Direct Port Number"), "200");
    EXPECT_EQ(DirectPortNumber, 200);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "200");
    EXPECT_EQ(ModemPortNumber, 254);
    EXPECT_EQ(RegText("Settings", "Modem Set String"), "X7");
    EXPECT_EQ(mainform->ModemSetString, "X7");

    // Values beyond what the controls hold come back limited, not lost.
    Stop();
    SetRegText("Settings", "Dial String", std::string(10000, '7'));
    SetRegText("Settings", "Log Number", std::string(10000, '8'));
    SetRegText("Settings", "Log File", std::string(10000, 'L'));
    SetRegText("Settings", "Voltage Multiplier", "0");
    SetRegText("Font", "Lang 1 Name ", std::string(10000, 'F'));
    SetRegText("Phone List", "id name 3", std::string(10000, 'N'));
    SetRegText("Phone List", "phone number 3", "5551234");
    SetRegText("Settings", "Current PhoneList Line", "3");
    Start({});
    EXPECT_EQ(mainform->dialedit->Text(), std::string(16, '7'));
    EXPECT_EQ(mainform->Lognumedit->Text(), std::string(16, '8'));
    EXPECT_EQ(mainform->logedit->Text(), std::string(kMaxFileNameLength, 'L'));
    EXPECT_EQ(mainform->VoltageMultiplier, 4);
    EXPECT_EQ(LangFontName[1], std::string(kMaxFontNameLength, 'F'));
    // The phone book row with the long name, followed into the dial fields.
    mainform->ToolButton9Click();
    mainform->bookbtnClick();
    EXPECT_EQ(mainform->dialedit->Text(), "5551234");
    mainform->phonegrid->SetRow(1);
    EXPECT_EQ(mainform->dialedit->Text(), "");
    mainform->phonegrid->SetRow(3);
    EXPECT_EQ(mainform->dialedit->Text(), "5551234");
    EXPECT_EQ(mainform->phoneidedit->Text(), mainform->phonegrid->Cell(1, 3));
    Restart();
    EXPECT_EQ(RegText("Font", "Lang 1 Name "), std::string(kMaxFontNameLength, 'F'));
    EXPECT_EQ(RegText("Settings", "Dial String"), "5551234");
    EXPECT_EQ(RegText("Phone List", "phone number 3"), "5551234");
    EXPECT_LE(RegText("Phone List", "id name 3").size(), kMaxStationNameLength);
    mainform->dialedit->SetText(std::string(16, '7'));
    Restart();
    EXPECT_EQ(RegText("Settings", "Dial String"), std::string(16, '7'));
    EXPECT_EQ(RegText("Settings", "Log File"), std::string(kMaxFileNameLength, 'L'));
    EXPECT_EQ(RegText("Settings", "Voltage Multiplier"), "4");

    // A save that fails at the exit is told.
    std::vector<std::string> boxes;
    SetMessageDlgHook([&](const std::string& text, TMsgDlgType, unsigned) {
        boxes.push_back(text);
        return TModalResult::mrOk;
    });
    auto failing = std::make_unique<MemoryIniStore>();
    failing->failWrites = true;
    mainform->RegIni = std::move(failing);
    Stop();
    EXPECT_EQ(boxes, (std::vector<std::string>{PanelText(ptSettingsNotSaved, 0)}));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// The message box of the program, as it appears, measured and closed by another thread.
RECT MeasureMessageBox(const std::function<void()>& show) {
    std::atomic<bool> done{false};
    RECT found{};
    std::thread watcher([&] {
        for (int i = 0; i < 400 && !done; ++i) {
            HWND box = FindWindowW(L"#32770", L"TALVIK");
            if (box && IsWindowVisible(box)) {
                GetWindowRect(box, &found);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(25);
        }
    });
    show();
    done = true;
    watcher.join();
    return found;
}

TEST_F(SingleCommandTest, MessageBoxesStayOnTheScreenAndStatusTextsFitTheirPanel) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const std::string longName = "C:\\" + std::string(10000, 'L') + ".LOG";
    RECT r = MeasureMessageBox([&] { Application.ShowException(Exception("Cannot open file " + longName)); });
    ASSERT_GT(r.right, r.left) << "no message box seen";
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, screenWidth);
    r = MeasureMessageBox([&] { MessageDlg(longName, TMsgDlgType::mtError, mbOK); });
    ASSERT_GT(r.right, r.left);
    EXPECT_LE(r.right - r.left, screenWidth);

    // Panel 5 ends at the bar's end and holds the port failure whole, in every language.
    HWND bar = mainform->Statusb->Handle();
    RECT part{}, client{};
    SendMessageW(bar, SB_GETRECT, 5, reinterpret_cast<LPARAM>(&part));
    GetClientRect(bar, &client);
    EXPECT_GE(part.right, client.right - 20);  // the size grip may take the corner
    for (int l = 0; l < kLanguageCount; ++l) {
        LanguageNumber = l;
        mainform->setcaptions();
        const std::wstring text = Widen(StatusTextOf(stPortSetException, l));
        HDC dc = GetDC(bar);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(bar, dc);
        EXPECT_LE(size.cx + 8, part.right - part.left) << "language " << l;
    }
}

TEST_F(SingleCommandTest, CaptionsOfThePanelsFollowTheLanguage) {
    // What each language shows, as the program's texts have it.
    struct Shown {
        const char *setup, *site, *reply, *pathDelay, *view, *log, *firstCommand;
    };
    const Shown expected[kLanguageCount] = {
        {"Modem Setup String", "SITE NUMBER", "Reply:", "Path Delay", "View", "LOG", "Read QV Ram"},
        {"Chaîne d'initialisation du modem", "NUMÉRO DE SITE", "Réponse :", "Délai de liaison", "Afficher", "",
         "Lire la RAM du QV"},
        {"调制解调器设置字符串", "站点号", "回复：", "线路延时", "查看", "记录", "读取QV RAM"},
        {"Modem-Initialisierungsstring", "STATIONS-NR.", "Antwort:", "Laufzeit", "Anzeigen", "LOG", "QV-RAM lesen"},
    };
    mainform->Tapicheck->SetChecked(false);
    mainform->TapicheckClick();
    for (int l = 0; l < kLanguageCount; ++l) {
        // The language chosen from its radio button, as the user does.
        TRadioButton* select[] = {mainform->englishselect, mainform->frenchselect, mainform->chineseselect,
                                  mainform->germanselect};
        Click(select[l]);
        ASSERT_EQ(LanguageNumber, l);
        const Shown& e = expected[l];
        EXPECT_EQ(mainform->Setuplab->Caption(), e.setup) << l;
        EXPECT_EQ(mainform->Sitelab->Caption(), e.site) << l;
        EXPECT_EQ(mainform->Reccap->Caption(), e.reply) << l;
        EXPECT_EQ(mainform->Timedelaylab->Caption(), e.pathDelay) << l;
        EXPECT_EQ(mainform->Logread->Caption(), e.view) << l;
        EXPECT_EQ(mainform->sitebutton->Caption(), e.log) << l;
        EXPECT_EQ(mainform->sendcombo->Item(0), e.firstCommand) << l;
    }
    Click(mainform->englishselect);
    // A language change reloads the list at its first entry, with that entry's inputs.
    Choose(scLoopback);
    EXPECT_FALSE(mainform->spinSendAddress->Visible());
    mainform->setcaptions();
    EXPECT_EQ(mainform->sendcombo->ItemIndex(), scReadRam);
    EXPECT_TRUE(mainform->spinSendAddress->Visible());
    // The save panel's layout step.
    mainform->ToolButton10Click();
    EXPECT_EQ(mainform->Savepanel->Height(), 169);
    EXPECT_EQ(mainform->Calsavecheck->Top(), 100);
    EXPECT_EQ(mainform->Readbutton->Left(), 152);
    EXPECT_EQ(mainform->Readbutton->Top(), 51);
}

TEST_F(SingleCommandTest, DebugSwitchTracesTheLinkIntoTheDebugWindowFromTheStart) {
    Restart({"-debug"});
    FirstTick();
    mainform->DisplaySingleCommandWindow();
    Send(1, scReadRam, "3", "0");
    const std::vector<std::string> memo = Form1->Memo1->Lines();
    auto has = [&](const std::string& part) {
        return std::any_of(memo.begin(), memo.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(has("Sent 4 chars: 0x14 0x03 0x00 0xEB")) << (memo.empty() ? "" : memo.front());
    EXPECT_TRUE(has("Received 1 char: 0xC8"));
    // Showing the window does not stop the trace.
    mainform->ToolButton1Click();
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(DebugEnabled);
    // Without the switch the window gets nothing until asked.
    Restart();
    EXPECT_FALSE(DebugEnabled);
}

}  // namespace
