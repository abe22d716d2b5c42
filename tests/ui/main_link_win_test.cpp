// The main window reading from a regulator through the link and the real com port under Wine:
// the serial rig's regulator simulator on COM1, a silent simulator on COM72 and no COM73. ctest
// starts the rig in a Wine prefix of this test's own and names its folder in TALVIK_RIG_DIR.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"
#include "link/qvEquates.h"
#include "link/uVar.h"
#include "serial/KsUser.h"
#include "serial/KsWin32.h"
#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/mainImages.h"
#include "ui/allForms.h"
#include "ui/talvikProgram.h"
#include "WinRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-main-link-test";
constexpr int kSilentPort = 72;
constexpr int kMissingPort = 73;

// The addresses a read of Kind asks for, in the order it asks (the table's last entry first).
std::vector<int> KindAddressesInOrder(std::int32_t Kind) {
    auto table = KindAddressTable(Kind);
    return std::vector<int>(table.rbegin(), table.rend());
}

// Each address once per run of frames for it.
std::vector<int> DistinctRuns(const std::vector<HeardFrame>& frames) {
    std::vector<int> runs;
    for (const HeardFrame& f : frames)
        if (runs.empty() || runs.back() != f.image) runs.push_back(f.image);
    return runs;
}

// Panel 5's texts with the tick count at which each was set.
std::vector<std::pair<DWORD, std::string>>* g_panel5Times = nullptr;

LRESULT CALLBACK RecordPanel5Times(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wp)) == 5 && g_panel5Times)
        g_panel5Times->emplace_back(GetTickCount(), Narrow(std::wstring(reinterpret_cast<const wchar_t*>(lp))));
    return DefSubclassProc(h, msg, wp, lp);
}

class MainLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(RigDir().empty()) << "TALVIK_RIG_DIR not set: run through ctest";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
        Tmainform::SystemBeep = [this] { ++beeps; };
        ResetLinkState();
        StartProgram();
        mainform->Timer1.SetEnabled(false);  // ticks are driven by the tests
        mainform->Show();
        g_panel5 = &panel5;
        SetWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1, 0);
        mem = ReadWholeFile(RigFile("mem1.bin"));
        ASSERT_EQ(mem.size(), 512u);
    }
    void TearDown() override {
        // The debug channel of a test that failed is kept beside the rig's frame logs.
        if (HasFailure()) {
            std::ofstream out(RigFile(std::string("debug-") +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"));
            for (const std::string& l : lines) out << l << "\n";
            out << "panel 5:\n";
            for (const std::string& t : panel5) out << t << "\n";
        }
        if (mainform) {
            RemoveWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1);
            mainform->Close();
        }
        g_panel5 = nullptr;
        Application.DestroyForms();
        Application.ClearTerminated();
        SetDebugSink(nullptr);
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }

    static bool RunUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
        return test::RunProgramUntil(done, limitMs);
    }
    static bool LinkIdle() { return !CommBusy && !RequestTriggerAdded; }

    // A mouse click on a tool button, as the user gives it.
    static void ClickToolButton(TToolButton* b) {
        RECT r = b->ScreenRect();
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        HWND bar = mainform->ToolBar1->Handle();
        ScreenToClient(bar, &p);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    // A button's click as its panel receives it from the button.
    static void ClickButton(TControl* b) {
        HWND h = b->Handle();
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
    }
    // The bytes the simulator on port heard after the first skip frames, framed or not. The
    // simulator holds back bytes that could still start a frame, so text may arrive short.
    static std::string BytesHeard(int port, size_t skip) {
        std::vector<HeardFrame> frames = FramesHeard(port);
        std::string bytes;
        for (size_t i = skip; i < frames.size(); ++i)
            for (int b : frames[i].bytes) bytes += static_cast<char>(b);
        return bytes;
    }
    // Everything the link handed to the port numbered port, as its debug lines "(N)  41 54 ..." show it.
    std::string BytesSent(int port) const {
        const std::string prefix = "(" + std::to_string(port) + ") ";
        std::string bytes;
        for (const std::string& l : lines) {
            if (l.rfind(prefix, 0) != 0) continue;
            std::istringstream hex(l.substr(prefix.size()));
            for (std::string b; hex >> b;) bytes += static_cast<char>(std::stoi(b, nullptr, 16));
        }
        return bytes;
    }
    static bool StartsWith(const std::string& whole, const std::string& part) {
        return !part.empty() && whole.compare(0, part.size(), part) == 0;
    }
    // An arrow click on the direct port's up-down.
    static void ClickPortArrow(bool up) {
        HWND ud = mainform->udDirectComPortNum->Handle();
        RECT r;
        GetClientRect(ud, &r);
        const int y = up ? r.bottom / 4 : r.bottom * 3 / 4;
        SendMessageW(ud, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, y));
        SendMessageW(ud, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, y));
    }
    // The first timer tick lifts the start-up guard.
    static void FirstTick() { mainform->Timer1.Tick(); }

    bool Traced(const std::string& line, bool prefix = false) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return prefix ? l.rfind(line, 0) == 0 : l == line; });
    }

    std::vector<std::string> lines, errors, panel5;
    int beeps = 0;
    std::string mem;
};

TEST_F(MainLinkTest, CurrentDataButtonReadsBothPagesFromTheSimulator) {
    // Other tests share this rig: only the frames heard from here on are this read's.
    const size_t heardBefore = FramesHeard(1).size();
    // Before the first tick a request is refused without a word.
    ClickToolButton(mainform->ToolButton4);
    EXPECT_TRUE(Currentform->Visible());
    EXPECT_FALSE(CommBusy);
    EXPECT_TRUE(panel5.empty());
    ClickToolButton(mainform->ToolButton4);
    EXPECT_FALSE(Currentform->Visible());

    FirstTick();
    mainform->Currsavecheck->SetChecked(true);  // the report is to hold the current data
    ClickToolButton(mainform->ToolButton4);
    EXPECT_TRUE(Currentform->Visible());
    EXPECT_TRUE(CommBusy);
    EXPECT_TRUE(Currentform->Waitlab->Visible());
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentStringLoaded; })) << "panel 5: " << panel5.back();
    // The window was told at each page's end.
    EXPECT_FALSE(Currentform->Waitlab->Visible());
    EXPECT_EQ(Currentform->curprogress->Position(), 11);

    // At 9600 baud the first page (kind 2) is followed by the list page (kind 3).
    std::vector<HeardFrame> frames = FramesHeard(1);
    frames.erase(frames.begin(), frames.begin() + static_cast<long>(heardBefore));
    std::vector<int> expected = KindAddressesInOrder(2);
    const std::vector<int> page2 = KindAddressesInOrder(3);
    expected.insert(expected.end(), page2.begin(), page2.end());
    EXPECT_EQ(DistinctRuns(frames), expected);
    for (const HeardFrame& f : frames) {
        ASSERT_EQ(f.command, "ram-read");
        EXPECT_EQ(f.bytes, (std::vector<int>{0x14, f.image, 0, 0xEB}));
    }
    // Every byte is read twice (two equal replies). An address asked again after a give-up fails
    // the test when its reply was on the line in good time; a reply the loaded machine held back
    // explains it (and the "Timeout" the give-up shows).
    const sim::ReplyRaceReport races = sim::ReplyRaces(ReadsAsked(1, heardBefore));
    for (const std::string& m : races.missed) ADD_FAILURE() << "a reply missed: " << m;
    for (const std::string& l : races.late) std::printf("a late reply: %s\n", l.c_str());
    EXPECT_EQ(frames.size(), 2 * expected.size() + races.missed.size() + races.late.size());
    for (int a : expected) EXPECT_EQ(RegImage[a], static_cast<std::uint8_t>(mem[a])) << "address " << a;

    EXPECT_EQ(mainform->Statusb->PanelText(5), "0 " + LinkTextOf(TLinkText::DataReceived, 0));
    EXPECT_EQ(panel5.front(), StatusTextOf(stPortOpen, 0));
    // Every frame sent was heard: none was lost while the port was reopened for the second page.
    EXPECT_EQ(std::count(panel5.begin(), panel5.end(), "Request Sent"), static_cast<long>(frames.size()));
    EXPECT_EQ(std::count(panel5.begin(), panel5.end(), "Timeout"), static_cast<long>(races.late.size()));
    EXPECT_FALSE(CommBusy);
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(LogWritePending);  // both pages in: the next tick writes the log record
    EXPECT_TRUE(mainform->Currsavecheck->Enabled());
    EXPECT_TRUE(mainform->Savebutton->Enabled());
    EXPECT_TRUE(mainform->Comport->GetOpen());
    EXPECT_TRUE(Traced("GetData: TCurrentform, 2"));
    EXPECT_TRUE(Traced("GetData: TCurrentform, 3"));
    EXPECT_TRUE(Traced("Finish"));
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(errors.empty()) << errors.front();

    // Shown again after a completed read, the window asks for nothing.
    ClickToolButton(mainform->ToolButton4);
    EXPECT_FALSE(Currentform->Visible());
    lines.clear();
    ClickToolButton(mainform->ToolButton4);
    EXPECT_TRUE(Currentform->Visible());
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(Traced("GetData: TCurrentform, 2"));

    // Closing the program closes the port.
    mainform->Close();
    EXPECT_FALSE(mainform->Comport->GetOpen());
}

TEST_F(MainLinkTest, ReadAt2400BaudTakesOnlyTheFirstPage) {
    FirstTick();
    // The baud list as the user changes it: the open port takes the new rate at once.
    SendMessageW(mainform->baudbox->Handle(), CB_SETCURSEL, 2, 0);
    SendMessageW(mainform->companel->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(mainform->baudbox->Handle()));
    EXPECT_TRUE(mainform->Comport->GetOpen());
    EXPECT_EQ(mainform->Comport->GetBaud(), 2400);
    EXPECT_EQ(mainform->Statusb->PanelText(3), "2400");
    EXPECT_EQ(mainform->Statusb->PanelText(5), StatusTextOf(stPortOpen, 0));

    const size_t before = FramesHeard(1).size();
    mainform->ToolButton4Click();
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
    std::vector<HeardFrame> frames = FramesHeard(1);
    frames.erase(frames.begin(), frames.begin() + static_cast<long>(before));
    EXPECT_EQ(DistinctRuns(frames), KindAddressesInOrder(2));
    EXPECT_FALSE(CurrentStringLoaded);
    EXPECT_FALSE(LogWritePending);
    EXPECT_EQ(mainform->Statusb->PanelText(5), "0 Data Received");

    // A new port number typed while the port is open reopens it there, at the same rate.
    mainform->ebDirectComPortNum->SetText(std::to_string(kSilentPort));
    EXPECT_TRUE(mainform->Comport->GetOpen());
    EXPECT_EQ(mainform->Comport->GetComNumber(), kSilentPort);
    EXPECT_EQ(mainform->Comport->GetBaud(), 2400);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM72");
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainLinkTest, SecondPageThatCannotStartEndsThePair) {
    FirstTick();
    // The first page of a logging pair is in; before its second page gets its turn, another
    // request has taken the link.
    ChainFlag = true;
    LoggingRead = true;
    WriteBusy = true;
    const size_t heard = FramesHeard(1).size();
    mainform->PostCurrentPageRequest(3);
    RunUntil([] { return !ChainFlag; }, 10000);
    EXPECT_FALSE(ChainFlag);
    EXPECT_FALSE(LoggingRead);
    EXPECT_EQ(FramesHeard(1).size(), heard);
    WriteBusy = false;
    // The next read is a read of its own, not the end of a pair: nothing to log.
    mainform->baudbox->SetItemIndex(2);
    mainform->ToolButton4Click();
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
    EXPECT_FALSE(LogWritePending);
}

TEST_F(MainLinkTest, SilentRegulatorFailsTheReadWithThreeBeeps) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kSilentPort));
    EXPECT_EQ(mainform->Comport->GetComNumber(), kSilentPort);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM72");
    const size_t before = FramesHeard(kSilentPort).size();

    ClickToolButton(mainform->ToolButton4);
    ASSERT_TRUE(RunUntil(LinkIdle));
    std::vector<HeardFrame> frames = FramesHeard(kSilentPort);
    frames.erase(frames.begin(), frames.begin() + static_cast<long>(before));
    // The first address is sent four times, then the read gives up.
    ASSERT_EQ(frames.size(), 4u);
    for (const HeardFrame& f : frames)
        EXPECT_EQ(f.bytes, (std::vector<int>{0x14, KindAddressesInOrder(2).front(), 0, 0xEB}));
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::Timeout, 0));
    EXPECT_EQ(std::count(panel5.begin(), panel5.end(), "Timeout"), 4);
    EXPECT_TRUE(Traced("reset wait timer: reccount=6"));
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_FALSE(mainform->Currsavecheck->Enabled());
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainLinkTest, MissingPortGivesCantOpenPortThenCommFail) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kMissingPort));
    panel5.clear();
    ClickToolButton(mainform->ToolButton4);
    EXPECT_EQ(panel5, (std::vector<std::string>{"Cant open port-Port Set Exception", "Cant Open Port", "Comm Fail"}));
    EXPECT_EQ(beeps, 3);  // two from the port, one from the read
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(RequestTriggerAdded);
    EXPECT_FALSE(mainform->Comport->GetOpen());
    EXPECT_TRUE(errors.empty());

    // In German the same road speaks German.
    mainform->germanselect->SetChecked(true);
    panel5.clear();
    ClickToolButton(mainform->ToolButton4);  // hide
    ClickToolButton(mainform->ToolButton4);
    ASSERT_EQ(panel5.size(), 3u);
    EXPECT_EQ(panel5[1], LinkTextOf(TLinkText::CantOpenPort, 3));
    EXPECT_EQ(panel5[2], StatusTextOf(stCommFail, 3));
}

TEST_F(MainLinkTest, FloodingLineGivesNoValuesShowsNoBoxAndTheWindowStillCloses) {
    // COM70 floods with "200 77" again and again, whether asked or not.
    mainform->Timer1.Tick();
    mainform->ebDirectComPortNum->SetText("70");
    ASSERT_EQ(DirectPortNumber, 70);
    CurrentLoaded = CurrentStringLoaded = false;
    EXPECT_NO_THROW(mainform->ToolButton4Click()) << "click";
    EXPECT_NO_THROW(RunUntil([] { return LinkIdle(); }, 20000)) << "run";
    ASSERT_TRUE(LinkIdle());
    EXPECT_NO_THROW(RunUntil([] { return false; }, 500)) << "settle";
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_FALSE(CurrentStringLoaded);
    for (int a : KindAddressTable(2)) EXPECT_EQ(RegImage[a], 0) << "a value was taken from the flood at " << a;
    EXPECT_TRUE(std::find(panel5.begin(), panel5.end(), StatusTextOf(stCommFail, 0)) != panel5.end());
    // The read ends by one of two roads, and which one comes first is a matter of timing: the
    // link counts more bytes than it asked for, or Wine ends the port's read on the flooding
    // pseudo-terminal with a broken pipe first (a device read error, told in the status bar).
    // Either way the user sees what is checked above and below.
    const bool counted = Traced("the line sends bytes nobody asked for", true);
    const bool deviceFailed =
        std::find(panel5.begin(), panel5.end(), "Device read error") != panel5.end();
    EXPECT_TRUE(counted || deviceFailed) << "the read ended by neither road";
    // A device error of the serial library is a line in the status bar, not a box to answer.
    EXPECT_NO_THROW(KslShowError("Device read error")) << "display";
    EXPECT_EQ(mainform->Statusb->PanelText(5), "Device read error");
    EXPECT_TRUE(errors.empty()) << errors.front();

    // The window closes while the line goes on flooding, within the bound of the port's close.
    ASSERT_TRUE(mainform->Comport->GetOpen());
    RemoveWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1);
    const DWORD start = GetTickCount();
    EXPECT_NO_THROW(mainform->Close()) << "close";
    EXPECT_LT(GetTickCount() - start, static_cast<DWORD>(ThreadEndBoundMs + 1000));
    EXPECT_TRUE(Application.Terminated());
    // As the program ends: its windows go, and the port with them.
    EXPECT_NO_THROW(Application.DestroyForms()) << "destroy";
    EXPECT_EQ(mainform, nullptr);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainLinkTest, PortArrowsStepToThePortsThatArePresent) {
    // Present: 1, 70, 72 and 75 (and whatever the machine has below 72); absent: 73 and 74.
    mainform->ebDirectComPortNum->SetText("72");
    ClickPortArrow(true);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "75");
    EXPECT_EQ(DirectPortNumber, 75);
    EXPECT_EQ(mainform->Comport->GetComNumber(), 75);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM75");
    ClickPortArrow(true);  // nothing present above: the number stays
    EXPECT_EQ(DirectPortNumber, 75);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "75");
    ClickPortArrow(false);
    EXPECT_EQ(DirectPortNumber, 72);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM72");
    mainform->ebDirectComPortNum->SetText("1");
    ClickPortArrow(false);  // below the first present port: 1
    EXPECT_EQ(DirectPortNumber, 1);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM1");
    // A typed number is taken as typed once the arrows are done.
    mainform->ebDirectComPortNum->SetText("74");
    EXPECT_EQ(DirectPortNumber, 74);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM74");
}

TEST_F(MainLinkTest, TimerWatchdogReleasesARequestThatGetsNoFurther) {
    FirstTick();
    mainform->ebDirectComPortNum->SetText(std::to_string(kSilentPort));
    mainform->ToolButton4Click();
    ASSERT_TRUE(CommBusy);
    ASSERT_TRUE(RequestTriggerAdded);
    // No port event runs between these ticks: the request gets no further.
    for (int i = 0; i < 10; ++i) mainform->Timer1.Tick();
    EXPECT_TRUE(CommBusy);
    mainform->Timer1.Tick();
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(RequestTriggerAdded);  // the link's trigger is gone with the busy mark
    EXPECT_TRUE(Traced("busy watchdog released the link"));
    // The port's pending firing finds no request and sends nothing more.
    const size_t heard = FramesHeard(kSilentPort).size();
    RunUntil([] { return false; }, 500);
    EXPECT_EQ(FramesHeard(kSilentPort).size(), heard);
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainLinkTest, FailingLinkStepReachesTheErrorDisplayAndFreesTheLink) {
    FirstTick();
    mainform->ToolButton4Click();
    ASSERT_TRUE(CommBusy);
    // A request kind no table knows makes the next step fail.
    DataKind = 12;
    ASSERT_TRUE(RunUntil([this] { return !errors.empty(); }, 10000));
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(RequestTriggerAdded);
    // The link takes the next request.
    DataKind = 0;
    errors.clear();
    CurrentLoaded = false;
    ClickToolButton(mainform->ToolButton4);
    ClickToolButton(mainform->ToolButton4);
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainLinkTest, DialButtonSetsUpTheModemDialsAndHangsUp) {
    FirstTick();
    mainform->Tapicheck->SetChecked(false);
    mainform->ebModemComPortNum->SetText(std::to_string(kSilentPort));
    mainform->Setupedit->SetText("&F");
    mainform->dialedit->SetText("0123456");
    EXPECT_EQ(mainform->ModemSetString, "&F");
    const size_t before = FramesHeard(kSilentPort).size();

    ClickButton(mainform->Dialbutton);
    EXPECT_FALSE(DirectMode);
    EXPECT_TRUE(mainform->Comport->GetOpen());
    EXPECT_EQ(mainform->Comport->GetComNumber(), kSilentPort);
    // The set-up string goes first; after the path delay the number is dialled, by tone.
    ASSERT_TRUE(RunUntil([] { return Dialling; }, 10000));
    EXPECT_FALSE(CallEnded);
    EXPECT_EQ(HangupCountdown, 60);  // the one-second tick now counts the call down
    EXPECT_EQ(BytesSent(kSilentPort), "AT&F\r\nATDT0123456\r\n");
    // And it reached the line.
    ASSERT_TRUE(RunUntil([&] { return StartsWith("AT&F\r\nATDT0123456\r\n", BytesHeard(kSilentPort, before)); }, 10000));
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::Dialing, 0));
    mainform->Timer1.Tick();
    EXPECT_EQ(HangupCountdown, 59);
    // The call was placed through the AT modem: that stays so until it is over, and so the
    // hang-up is the modem's.
    EXPECT_FALSE(mainform->Tapicheck->Enabled());
    EXPECT_FALSE(mainform->Setupedit->Enabled());
    ClickButton(mainform->Tapicheck);
    EXPECT_FALSE(mainform->Tapicheck->Checked());
    mainform->Setupedit->SetText("&Z");
    EXPECT_EQ(mainform->ModemSetString, "&F");

    // No carrier comes: the user hangs up. Escape, then ATH0, then the end of the call.
    ClickButton(mainform->Hangup);
    EXPECT_TRUE(HangupInProgress);
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::WaitForClose, 0));
    ASSERT_TRUE(RunUntil([] { return !HangupInProgress; }, 20000));
    EXPECT_EQ(BytesSent(kSilentPort), "AT&F\r\nATDT0123456\r\n+++ATH0\r\n");
    EXPECT_TRUE(CallEnded);
    EXPECT_TRUE(DirectMode);
    EXPECT_FALSE(Dialling);
    EXPECT_EQ(mainform->ToolButton9->ImageIndex(), imgDial);
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::Closed, 0));
    EXPECT_TRUE(Traced("hangup completed"));
    EXPECT_TRUE(mainform->Tapicheck->Enabled());

    // With no call up, the hang-up button says the port is not open and sends nothing.
    ClickButton(mainform->Hangup);
    EXPECT_FALSE(HangupInProgress);
    EXPECT_EQ(mainform->Statusb->PanelText(5), LinkTextOf(TLinkText::PortNotOpen, 0));
    RunUntil([] { return false; }, 500);
    EXPECT_EQ(BytesSent(kSilentPort), "AT&F\r\nATDT0123456\r\n+++ATH0\r\n");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainLinkTest, PulseDialWithoutSetUpStringDialsAtOnce) {
    FirstTick();
    mainform->Tapicheck->SetChecked(false);
    mainform->ebModemComPortNum->SetText(std::to_string(kSilentPort));
    mainform->Setupedit->SetText("");
    mainform->Pulsecheck->SetChecked(true);
    mainform->dialedit->SetText("987");
    ClickButton(mainform->Dialbutton);
    EXPECT_TRUE(Dialling);
    EXPECT_EQ(BytesSent(kSilentPort), "ATDP987\r\n");
    // The tick's hang-up request goes to the link's hang-up.
    HangupRequested = true;
    mainform->Timer1.Tick();
    EXPECT_FALSE(HangupRequested);
    EXPECT_TRUE(HangupInProgress);
    ASSERT_TRUE(RunUntil([] { return !HangupInProgress; }, 20000));
    EXPECT_TRUE(CallEnded);
    EXPECT_EQ(BytesSent(kSilentPort), "ATDP987\r\n+++ATH0\r\n");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainLinkTest, ARefusedPortChangeStaysReadableWhileTheReadGoesOn) {
    FirstTick();
    std::vector<std::pair<DWORD, std::string>> shown;
    g_panel5Times = &shown;
    SetWindowSubclass(mainform->Statusb->Handle(), RecordPanel5Times, 2, 0);
    const size_t before = FramesHeard(1).size();
    ClickToolButton(mainform->ToolButton4);
    ASSERT_TRUE(CommBusy);
    // Early in the read, the user types another port number.
    ASSERT_TRUE(RunUntil([before] { return FramesHeard(1).size() >= before + 2; }, 20000));
    ASSERT_TRUE(CommBusy);
    const size_t heardAtRefusal = FramesHeard(1).size();
    mainform->ebDirectComPortNum->SetText(std::to_string(kSilentPort));
    const std::string kept = LinkTextOf(TLinkText::LineKept, 0);
    EXPECT_EQ(mainform->ebDirectComPortNum->Text(), "1");
    EXPECT_EQ(mainform->Statusb->PanelText(5), kept);

    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentStringLoaded; }));
    // The read's last word shows once the refusal has stood its time.
    EXPECT_TRUE(RunUntil([] { return mainform->Statusb->PanelText(5) == "0 " + LinkTextOf(TLinkText::DataReceived, 0); },
                         20000))
        << mainform->Statusb->PanelText(5);
    RemoveWindowSubclass(mainform->Statusb->Handle(), RecordPanel5Times, 2);
    g_panel5Times = nullptr;

    // Nothing replaced the refusal for at least two seconds, a slow machine only makes it longer;
    // meanwhile the read went on and the line stayed COM1.
    const auto refusal = std::find_if(shown.begin(), shown.end(), [&](const auto& t) { return t.second == kept; });
    ASSERT_NE(refusal, shown.end());
    ASSERT_NE(refusal + 1, shown.end());
    EXPECT_GE((refusal + 1)->first - refusal->first, StatusPanelHold::kHoldMs) << (refusal + 1)->second;
    EXPECT_GT(FramesHeard(1).size(), heardAtRefusal + 10);
    EXPECT_EQ(DirectPortNumber, 1);
    EXPECT_EQ(mainform->Comport->GetComNumber(), 1);
    EXPECT_EQ(mainform->Statusb->PanelText(2), "COM1");
    for (int a : KindAddressTable(2)) EXPECT_EQ(RegImage[a], static_cast<std::uint8_t>(mem[a])) << "address " << a;
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// The baud list tells of a pick of the entry already shown too; during a history read that
// pick must leave the line alone: no reopened port, no address asked again for it.
TEST_F(MainLinkTest, PickingTheBaudInUseDuringAHistoryReadLeavesTheLineAlone) {
    FirstTick();
    const size_t before = FramesHeard(1).size();
    ClickToolButton(mainform->ToolButton5);
    ASSERT_TRUE(RunUntil([] { return CommBusy; }, 10000));
    ASSERT_EQ(DataKind, 10);
    const int inUse = mainform->baudbox->ItemIndex();
    const int baud = mainform->Comport->GetBaud();
    auto pickBaudInUse = [inUse] {
        SendMessageW(mainform->baudbox->Handle(), CB_SETCURSEL, static_cast<WPARAM>(inUse), 0);
        SendMessageW(mainform->companel->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(mainform->baudbox->Handle()));
    };
    // Twice, well into the read; each time, the address being asked then is the one to watch.
    std::vector<size_t> heardAtPick;
    for (size_t at : {before + 40, before + 120}) {
        ASSERT_TRUE(RunUntil([at] { return FramesHeard(1).size() >= at; }, 30000));
        ASSERT_TRUE(CommBusy);
        heardAtPick.push_back(FramesHeard(1).size());
        const size_t shownBefore = panel5.size();
        pickBaudInUse();
        // Panel 5 shows nothing of a port opened again, then or while the read goes on.
        RunUntil([] { return false; }, 300);
        EXPECT_EQ(std::count(panel5.begin() + static_cast<long>(shownBefore), panel5.end(),
                             LinkTextOf(TLinkText::PortOpen, 0)),
                  0);
    }
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && HistoryLoaded; }));

    EXPECT_EQ(mainform->Statusb->PanelText(5), "0 " + LinkTextOf(TLinkText::DataReceived, 0));
    EXPECT_EQ(mainform->baudbox->ItemIndex(), inUse);
    EXPECT_EQ(mainform->Comport->GetBaud(), baud);
    EXPECT_TRUE(mainform->Comport->GetOpen());

    // The addresses on the line at each pick, and the next, were asked no more than their two
    // equal replies need.
    const std::vector<HeardFrame> frames = FramesHeard(1);
    for (size_t at : heardAtPick) {
        size_t first = at - 1;
        while (first > before && frames[first - 1].image == frames[at - 1].image) --first;
        for (size_t i = first; i < std::min(frames.size(), at + 4);) {
            size_t last = i;
            while (last + 1 < frames.size() && frames[last + 1].image == frames[i].image) ++last;
            EXPECT_LE(last - i + 1, 2u) << "address " << frames[i].image << " asked again after the pick";
            i = last + 1;
        }
    }
    EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
