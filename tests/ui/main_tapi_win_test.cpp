// The main window calling a station through telephony under Wine: the tests' provider
// (TAPI32.DLL beside this program) hands a connected call COM81, where a regulator simulator
// answers; COM1 is the regulator on the direct line. ctest runs the program twice: with the
// provider (TALVIK_EXPECT_TAPI=present, the MainTapiPresent cases) and with TAPI32 switched off
// (=missing, the MainTapiMissing cases). A case run without its word fails, and says why.
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

#include "TapiRig.h"
#include "base/debugchannel.h"
#include "base/format.h"
#include "link/qvEquates.h"
#include "link/uVar.h"
#include "ui/lang.h"
#include "ui/main.h"
#include "ui/mainImages.h"
#include "ui/allForms.h"
#include "ui/talvikProgram.h"
#include "WinRig.h"

using namespace talvik;
using namespace talvik::test;
using talvik::test::TTapiRig;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-main-tapi-test";
constexpr int kStation = 81;

// The telephony the run was set up with, as ctest names it.
std::string ExpectedTapi() {
    const char* e = std::getenv("TALVIK_EXPECT_TAPI");
    return e ? e : "";
}

// The image addresses of the frames a simulator heard, in order.
std::vector<int> ImagesHeard(int port) {
    std::vector<int> images;
    for (const HeardFrame& f : FramesHeard(port))
        if (f.image >= 0) images.push_back(f.image);
    return images;
}

class MainTapiTest : public ::testing::Test {
protected:
    // The word of the runs this case belongs to.
    virtual const char* Telephony() const = 0;

    void SetUp() override {
        if (ExpectedTapi() != Telephony())
            GTEST_FAIL() << "this case is for a run with TALVIK_EXPECT_TAPI=" << Telephony() << ", and the run has "
                         << (std::getenv("TALVIK_EXPECT_TAPI") ? "=" + ExpectedTapi() : std::string("it unset"))
                         << " (present: the tests' provider beside the program; missing: TAPI32 switched off)";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
        Tmainform::SystemBeep = [] {};
        rig.Scenario("devices=Fake Modem|Second Line\nport=81\ncalls=connect\n");
        Start();
    }
    void Start() {
        ResetLinkState();
        StartProgram();
        mainform->Timer1.SetEnabled(false);  // ticks are driven by the tests
        mainform->Show();
        g_panel5 = &panel5;
        SetWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1, 0);
        mainform->tapi1->RetryWait = 1;
    }
    void Stop() {
        if (mainform) {
            RemoveWindowSubclass(mainform->Statusb->Handle(), RecordPanel5, 1);
            mainform->Close();
        }
        g_panel5 = nullptr;
        Application.DestroyForms();
        Application.ClearTerminated();
    }
    void TearDown() override {
        if (HasFailure()) {
            std::ofstream out(RigFile(std::string("debug-") +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"));
            for (const std::string& l : lines) out << l << "\n";
            out << "panel 5:\n";
            for (const std::string& t : panel5) out << t << "\n";
        }
        Stop();
        SetDebugSink(nullptr);
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }

    static bool RunUntil(const std::function<bool()>& done, DWORD limitMs = 30000) {
        return test::RunProgramUntil(done, limitMs);
    }
    static void Settle() { RunUntil([] { return false; }, 600); }
    static bool OnDirectLine() {
        return DirectMode && CallEnded && !Dialling && !Online && !mainform->Comport->GetOpen() &&
               !mainform->tapi1->LineIsOpen();
    }
    // A call's end is told by the device's messages, which a loaded machine may hold up: waits
    // (with a generous bound) until the line is back on the direct port, then lets whatever is
    // still on its way arrive so that nothing more happening can be checked.
    static void SettleOnDirectLine() {
        EXPECT_TRUE(RunUntil(OnDirectLine)) << "the line never came back to the direct port";
        Settle();
    }
    static bool LinkIdle() { return !CommBusy && !RequestTriggerAdded; }
    static void ClickButton(TControl* b) {
        HWND h = b->Handle();
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
    }
    static std::string Status(int row) { return StatusTextOf(row, 0); }
    bool Shown(int row) const { return std::find(panel5.begin(), panel5.end(), Status(row)) != panel5.end(); }
    // The line is back on the direct port with no call up.
    static void ExpectDirectLine() {
        EXPECT_TRUE(DirectMode);
        EXPECT_TRUE(CallEnded);
        EXPECT_FALSE(Dialling);
        EXPECT_FALSE(Online);
        EXPECT_FALSE(mainform->Comport->GetOpen());
        EXPECT_EQ(mainform->Comport->GetTapiMode(), TTapiMode::tmOff);
        EXPECT_FALSE(mainform->tapi1->LineIsOpen());
        EXPECT_EQ(mainform->ToolButton9->ImageIndex(), imgDial);
    }
    // A current-data read on the direct line reaches the regulator on COM1.
    void ExpectDirectReadWorks() {
        const size_t before = ImagesHeard(1).size();
        CurrentLoaded = false;
        if (Currentform->Visible()) mainform->ToolButton4Click();  // the button shows and hides
        mainform->ToolButton4Click();
        ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
        EXPECT_GT(ImagesHeard(1).size(), before);
        EXPECT_EQ(mainform->Comport->GetComNumber(), 1);
    }
    void Dial(const std::string& number) {
        mainform->Timer1.Tick();  // lifts the start-up guard
        mainform->Tapicheck->SetChecked(true);
        mainform->tapi1->SetSelectedDevice("Fake Modem");
        mainform->dialedit->SetText(number);
        ClickButton(mainform->Dialbutton);
    }

    TTapiRig rig;
    std::vector<std::string> lines, errors, panel5;
};

class MainTapiPresent : public MainTapiTest {
    const char* Telephony() const override { return "present"; }
};
class MainTapiMissing : public MainTapiTest {
    const char* Telephony() const override { return "missing"; }
};

TEST_F(MainTapiPresent, DialReadsOverTheCallAndHangUpClosesIt) {
    Dial("0123456");
    EXPECT_EQ(panel5.front(), Status(stDialing));
    ASSERT_TRUE(RunUntil([] { return Online; }));
    EXPECT_EQ(rig.Count("lineMakeCall 0123456"), 1);
    // The port opened on the call comes first, then the connection.
    auto open = std::find(panel5.begin(), panel5.end(), Status(stTapiOpen));
    auto connected = std::find(panel5.begin(), panel5.end(), Status(stConnected));
    ASSERT_NE(open, panel5.end());
    ASSERT_NE(connected, panel5.end());
    EXPECT_LT(open, connected);
    EXPECT_FALSE(DirectMode);
    EXPECT_TRUE(mainform->Comport->GetOpen());
    EXPECT_EQ(mainform->Comport->GetTapiMode(), TTapiMode::tmOn);
    EXPECT_EQ(mainform->ToolButton9->ImageIndex(), imgHangup);

    // A read goes over the call: the station hears it, the direct regulator does not.
    const size_t direct = ImagesHeard(1).size();
    const size_t station = ImagesHeard(kStation).size();
    const size_t stationFrames = FramesHeard(kStation).size();
    mainform->ToolButton4Click();
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
    std::vector<int> heard = ImagesHeard(kStation);
    heard.erase(heard.begin(), heard.begin() + static_cast<long>(station));
    auto table = KindAddressTable(2);
    // Each address twice (two equal replies); at the call's 9600 baud the list page follows. An
    // ask more only after a give-up that a late reply explains (a loaded machine).
    const sim::ReplyRaceReport races = sim::ReplyRaces(ReadsAsked(kStation, stationFrames));
    for (const std::string& m : races.missed) ADD_FAILURE() << "a reply missed: " << m;
    EXPECT_EQ(heard.size(), 2 * (table.size() + KindAddressTable(3).size()) + races.late.size());
    const std::string mem = TTapiRig::Read(RigFile("mem81.bin"));
    ASSERT_EQ(mem.size(), 512u);
    for (int a : table) EXPECT_EQ(RegImage[a], static_cast<std::uint8_t>(mem[a])) << "address " << a;
    EXPECT_EQ(ImagesHeard(1).size(), direct);

    ClickButton(mainform->Hangup);
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiClosed));
    SettleOnDirectLine();
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiClosed));
    EXPECT_EQ(rig.Count("lineDrop"), 1);
    EXPECT_EQ(rig.Count("lineClose"), 1);
    ExpectDirectLine();
    EXPECT_TRUE(errors.empty()) << errors.front();
    ExpectDirectReadWorks();
}

TEST_F(MainTapiPresent, DialIsRefusedWhileARequestOwnsTheLine) {
    mainform->Timer1.Tick();
    const size_t station = ImagesHeard(kStation).size();
    // Telephony chosen before the read: while the read owns the line the box cannot change.
    mainform->Tapicheck->SetChecked(true);
    mainform->tapi1->SetSelectedDevice("Fake Modem");
    mainform->ToolButton4Click();  // a direct read starts
    ASSERT_TRUE(CommBusy);
    ClickButton(mainform->Dialbutton);
    EXPECT_EQ(rig.Count("lineMakeCall"), 0);
    EXPECT_TRUE(DirectMode);
    EXPECT_TRUE(CallEnded);
    // The periodic log's dial waits for the read (its retry timer tries again) and leaves the
    // read's busy mark alone.
    mainform->dialup("log");
    EXPECT_EQ(rig.Count("lineMakeCall"), 0);
    EXPECT_TRUE(CommBusy);
    EXPECT_TRUE(LogDial);
    EXPECT_EQ(DialCountdown, 60);
    EXPECT_TRUE(CallEnded);
    // The read goes on to its end on the direct line.
    ASSERT_TRUE(RunUntil([] { return LinkIdle() && CurrentLoaded; }));
    EXPECT_EQ(ImagesHeard(kStation).size(), station);
    // Once the line is free, the retry timer's next tick places the log's call.
    mainform->Lognumedit->SetText("4242");
    mainform->Timer1.Tick();
    EXPECT_EQ(rig.Count("lineMakeCall 4242"), 1);
    ASSERT_TRUE(RunUntil([] { return LogWritePending; }));
    ClickButton(mainform->Hangup);
    SettleOnDirectLine();
    ExpectDirectLine();
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiPresent, ConnectNoticeAfterTheCallEndedChangesNothing) {
    // The device's notice of a connection is handled after the call has ended again (its port
    // closed in between): no flush of a closed port, no read, no call.
    mainform->Timer1.Tick();
    mainform->Statusb->SetPanelText(5, "");
    ReadOnConnect = true;
    mainform->tapi1TapiConnect();
    EXPECT_FALSE(Online);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(mainform->Statusb->PanelText(5), "");
    EXPECT_TRUE(errors.empty()) << errors.front();
    ReadOnConnect = false;
}

TEST_F(MainTapiPresent, PeriodicLogDialsReadsOverTheCallWritesItsRecordAndHangsUp) {
    const std::string logFile = rig.Dir + "TAPILOG.RTF";
    DeleteFileA(logFile.c_str());
    mainform->Timer1.Tick();
    mainform->Tapicheck->SetChecked(true);
    mainform->tapi1->SetSelectedDevice("Fake Modem");
    mainform->logedit->SetText(logFile);
    mainform->Samplecheck->SetChecked(true);
    mainform->dialupcheck->SetChecked(true);
    mainform->Lognumedit->SetText("777");
    // The next tick is an hour change that ends the interval.
    const size_t station = ImagesHeard(kStation).size();
    mainform->SampleCountdown = 1;
    mainform->LastHour = -1;
    mainform->Timer1.Tick();
    EXPECT_TRUE(ReadOnConnect);
    ASSERT_TRUE(RunUntil([] { return LogWritePending; }));
    EXPECT_EQ(rig.Count("lineMakeCall 777"), 1);
    std::vector<int> heard = ImagesHeard(kStation);
    heard.erase(heard.begin(), heard.begin() + static_cast<long>(station));
    auto list = KindAddressTable(3);
    for (int a : list) EXPECT_NE(std::find(heard.begin(), heard.end(), a), heard.end()) << "address " << a;
    mainform->Timer1.Tick();
    EXPECT_FALSE(LogWritePending);
    EXPECT_FALSE(TTapiRig::Read(logFile).empty());

    // The record is in: the log's call is hung up at the next tick, through telephony.
    EXPECT_TRUE(HangupRequested);
    mainform->Timer1.Tick();
    SettleOnDirectLine();
    EXPECT_EQ(rig.Count("lineDrop"), 1);
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiClosed));
    ExpectDirectLine();
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiPresent, LogCallAfterADirectReadRidesOutABusyAttemptWritesItsRecordAndHangsUp) {
    rig.Scenario("devices=Fake Modem\nport=81\ncalls=busy,connect\n");
    const std::string logFile = rig.Dir + "BUSYLOG.RTF";
    DeleteFileA(logFile.c_str());
    mainform->Timer1.Tick();
    // A direct read leaves the direct port open.
    ExpectDirectReadWorks();
    ASSERT_TRUE(mainform->Comport->GetOpen());
    const size_t direct = ImagesHeard(1).size();
    const size_t station = ImagesHeard(kStation).size();
    mainform->Tapicheck->SetChecked(true);
    mainform->tapi1->SetSelectedDevice("Fake Modem");
    mainform->logedit->SetText(logFile);
    mainform->Samplecheck->SetChecked(true);
    mainform->dialupcheck->SetChecked(true);
    mainform->Lognumedit->SetText("777");
    auto logHourEnds = [] {
        mainform->SampleCountdown = 1;
        mainform->LastHour = -1;
        mainform->Timer1.Tick();
    };
    logHourEnds();
    EXPECT_TRUE(ReadOnConnect);
    // The direct line's port was closed before the dial: the call opens the port on its own.
    EXPECT_FALSE(mainform->Comport->GetOpen());

    // The busy attempt is hung up and tried again; the window follows the call all along.
    ASSERT_TRUE(RunUntil([this] { return rig.Count("lineMakeCall 777") == 2; }));
    EXPECT_FALSE(CallEnded);
    EXPECT_FALSE(DirectMode);
    EXPECT_FALSE(Shown(stTapiClosed));
    EXPECT_FALSE(Shown(stTapiFail));
    ASSERT_TRUE(RunUntil([] { return LogWritePending; }));
    EXPECT_TRUE(Online);
    EXPECT_EQ(mainform->Comport->GetTapiMode(), TTapiMode::tmOn);
    // The logging read went over the call: the station heard it, the direct regulator did not.
    EXPECT_GT(ImagesHeard(kStation).size(), station);
    EXPECT_EQ(ImagesHeard(1).size(), direct);
    mainform->Timer1.Tick();
    EXPECT_FALSE(TTapiRig::Read(logFile).empty());

    // The record is in: the call is dropped and its line closed.
    EXPECT_TRUE(HangupRequested);
    mainform->Timer1.Tick();
    SettleOnDirectLine();
    EXPECT_EQ(rig.Count("lineDrop"), 2);  // the busy attempt's and the call's
    EXPECT_EQ(rig.Count("lineClose"), 2);
    ExpectDirectLine();

    // The next log dials again, and gets its call.
    logHourEnds();
    ASSERT_TRUE(RunUntil([] { return LogWritePending; }));
    EXPECT_EQ(rig.Count("lineMakeCall 777"), 3);
    mainform->Timer1.Tick();
    mainform->Timer1.Tick();
    SettleOnDirectLine();
    ExpectDirectLine();
    EXPECT_EQ(rig.Count("lineClose"), 3);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiPresent, DuringACallTheWayItWasPlacedStaysAndHangUpDropsIt) {
    Dial("0123456");
    // Dialling already counts as a call.
    EXPECT_FALSE(mainform->Tapicheck->Enabled());
    ASSERT_TRUE(RunUntil([] { return Online; }));
    EXPECT_FALSE(mainform->Tapicheck->Enabled());
    EXPECT_FALSE(mainform->Tapiselbutton->Enabled());
    EXPECT_FALSE(mainform->Setupedit->Enabled());
    EXPECT_FALSE(mainform->ebModemComPortNum->Enabled());
    // A click that gets through all the same changes nothing; nor does a typed port number.
    ClickButton(mainform->Tapicheck);
    EXPECT_TRUE(mainform->Tapicheck->Checked());
    EXPECT_EQ(mainform->Setuplab->Caption(), CaptionText(10, 0));
    const std::int32_t modemPort = ModemPortNumber;
    mainform->ebModemComPortNum->SetText(IntToStr(modemPort + 3));
    EXPECT_EQ(ModemPortNumber, modemPort);
    EXPECT_EQ(mainform->ebModemComPortNum->Text(), IntToStr(modemPort));

    ClickButton(mainform->Hangup);
    SettleOnDirectLine();
    EXPECT_EQ(rig.Count("lineDrop"), 1);
    EXPECT_EQ(rig.Count("lineClose"), 1);
    ExpectDirectLine();
    // Through telephony, not the AT modem's escape.
    for (const std::string& l : lines) {
        EXPECT_EQ(l.find("send +++"), std::string::npos) << l;
        EXPECT_EQ(l.find("2B 2B 2B"), std::string::npos) << l;
    }
    EXPECT_FALSE(HangupTriggerAdded);
    // The call is over: the controls take changes again.
    EXPECT_TRUE(mainform->Tapicheck->Enabled());
    EXPECT_TRUE(mainform->Tapiselbutton->Enabled());
    EXPECT_TRUE(mainform->Setupedit->Enabled());
    EXPECT_TRUE(mainform->ebModemComPortNum->Enabled());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiPresent, BusyStationIsRetriedThenTheFailureIsShown) {
    rig.Scenario("devices=Fake Modem\nport=81\ncalls=busy\n");
    Dial("555");
    EXPECT_TRUE(Dialling);
    ASSERT_TRUE(RunUntil([this] { return Shown(stTapiFail); }));
    SettleOnDirectLine();
    EXPECT_EQ(rig.Count("lineMakeCall 555"), 3);
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiFail));
    ExpectDirectLine();
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiPresent, LostReplyAndFarEndHangUpEndCleanlyOnTheDirectLine) {
    rig.Scenario("devices=Fake Modem\nport=81\ncalls=lostreply\n");
    mainform->tapi1->WaitTimeoutMs = 1500;
    Dial("1");
    ASSERT_TRUE(RunUntil([this] { return Shown(stTapiFail); }));
    SettleOnDirectLine();
    ExpectDirectLine();
    EXPECT_EQ(rig.Count("lineClose"), 1);
    EXPECT_EQ(rig.Count("lineMakeCall 1 "), 1);  // a call that got no answer is not placed again

    panel5.clear();
    rig.Scenario("devices=Fake Modem\nport=81\ncalls=hangup\nhangupafter=1500\n");
    ClickButton(mainform->Dialbutton);
    ASSERT_TRUE(RunUntil([] { return Online; }));
    ASSERT_TRUE(RunUntil([] { return CallEnded; }));
    SettleOnDirectLine();
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiClosed));
    EXPECT_FALSE(Shown(stTapiFail));
    ExpectDirectLine();
    EXPECT_TRUE(errors.empty()) << errors.front();
    ExpectDirectReadWorks();
}

TEST_F(MainTapiPresent, SelectListsTheLinesAndTheChoiceSurvivesARestart) {
    mainform->Tapicheck->SetChecked(true);
    mainform->ToolButton8Click();  // the port panel, in telephony mode
    EXPECT_EQ(mainform->Setuplab->Caption(), CaptionText(10, 0));
    EXPECT_TRUE(mainform->Tapiselbutton->Visible());
    EXPECT_FALSE(mainform->Pulsecheck->Visible());
    {
        TSelectionAnswer answer("Second Line");
        ClickButton(mainform->Tapiselbutton);
        answer.worker.join();
        answer.worker = std::thread([] {});
        EXPECT_EQ(answer.items, (std::vector<std::string>{"Fake Modem", "Second Line"}));
        EXPECT_EQ(answer.selectedAtStart, 0);
        EXPECT_EQ(answer.clientW, 226);
        EXPECT_EQ(answer.clientH, 75);
    }
    EXPECT_EQ(mainform->Setupedit->Text(), "Second Line");
    EXPECT_EQ(mainform->tapi1->GetSelectedDevice(), "Second Line");

    Stop();
    Start();
    EXPECT_EQ(mainform->tapi1->GetSelectedDevice(), "Second Line");
    mainform->ToolButton8Click();
    EXPECT_EQ(mainform->Setupedit->Text(), "Second Line");
    // Back to the AT modem: its set-up string and pulse dialling return, the selection goes.
    ClickButton(mainform->Tapicheck);
    EXPECT_FALSE(mainform->Tapicheck->Checked());
    EXPECT_EQ(mainform->Setuplab->Caption(), CaptionText(12, 0));
    EXPECT_EQ(mainform->Setupedit->Text(), "&K0&Q0&D0");
    EXPECT_FALSE(mainform->Tapiselbutton->Visible());
    EXPECT_TRUE(mainform->Pulsecheck->Visible());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainTapiMissing, MissingTelephonyGivesItsCodeAndTextAndTheDirectLineGoesOn) {
    Dial("0123456");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "Failed to find/load TAPI.DLL");
    EXPECT_TRUE(std::find(lines.begin(), lines.end(), "tapi dial failed: -13931 Failed to find/load TAPI.DLL") !=
                lines.end());
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiFail));
    ExpectDirectLine();
    ExpectDirectReadWorks();
    // The periodic log's dial fails the same way, without a message box waiting for nobody.
    mainform->Statusb->SetPanelText(5, "");
    DialCountdown = 1;
    mainform->Timer1.Tick();
    EXPECT_EQ(mainform->Statusb->PanelText(5), Status(stTapiFail));
    EXPECT_TRUE(DirectMode);
    EXPECT_TRUE(CallEnded);
    EXPECT_FALSE(Dialling);
    EXPECT_EQ(mainform->Comport->GetTapiMode(), TTapiMode::tmOff);
    EXPECT_EQ(errors.size(), 1u);
}

}  // namespace
