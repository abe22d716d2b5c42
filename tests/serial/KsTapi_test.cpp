// The telephony device against the tests' provider (TAPI32.DLL beside this program) under Wine.
// A connected call hands over COM41, one end of a pseudo-terminal pair; the test holds COM42,
// the far end of the "call".
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PtyPeer.h"
#include "TapiRig.h"
#include "serial/KsExcept.h"
#include "serial/KsTapi.h"
#include "serial/KsWin32.h"

using namespace talvik;
using namespace talvik::test;

namespace {

const char kKey[] = "SOFTWARE\\Brellacorn\\KESL\\TAPI";

std::string ProcessValue() {
    char name[16];
    wsprintfA(name, "$%08X", GetCurrentProcessId());
    return name;
}

bool RegistryValue(const std::string& name, std::string* data = nullptr) {
    char buf[64] = {};
    DWORD size = sizeof buf - 1;
    const bool found =
        RegGetValueA(HKEY_CURRENT_USER, kKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS;
    if (found && data) *data = buf;
    return found;
}

// A call-progress window that only records what it is shown.
class TRecordingStatus : public TKslAbstractTapiStatus {
public:
    struct Line {
        bool first, last;
        std::int32_t message, param1;
    };
    std::vector<Line> Lines;
    void UpdateDisplay(bool First, bool Last, std::int32_t, std::int32_t Message, std::int32_t Param1, std::int32_t,
                       std::int32_t) override {
        Lines.push_back({First, Last, Message, Param1});
    }

protected:
    void CreateDisplay() override {}
    void DestroyDisplay() override {}
};

TKslTapiDevice* gCancelTarget = nullptr;
void CALLBACK CancelLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (gCancelTarget) gCancelTarget->CancelCall();
}

class TapiDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKslErrorDisplay([this](const std::string& m) { errors.push_back(m); });
        rig.Scenario("devices=Fake Modem|Second Line\nport=41\ncalls=connect\n");
        port = std::make_unique<TKslComPort>();
        log = std::make_unique<TKslTapiLog>();
        log->TapiHistoryName = rig.HistoryFile;
        owner.InsertComponent(port.get());
        owner.InsertComponent(log.get());
        MakeDevice();
    }
    void TearDown() override {
        device.reset();
        log.reset();
        port.reset();
        SetKslErrorDisplay(nullptr);
    }
    void MakeDevice() {
        device = std::make_unique<TKslTapiDevice>(&owner);
        device->Loaded();
        device->RetryWait = 1;
        device->WaitTimeoutMs = 3000;
        device->ReinitPauseMs = 200;
        device->SetSelectedDevice("Fake Modem");
        device->OnTapiConnect = [this](TKslCustomTapiDevice*) { events.push_back("connect"); };
        device->OnTapiPortOpen = [this](TKslCustomTapiDevice*) { events.push_back("portopen"); };
        device->OnTapiPortClose = [this](TKslCustomTapiDevice*) { events.push_back("portclose"); };
        device->OnTapiFail = [this](TKslCustomTapiDevice*) { events.push_back("fail"); };
    }
    bool Seen(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
    int Times(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
    // Lets every message that is still on its way arrive.
    static void Settle() { PumpUntil([] { return false; }, 600); }
    // The device's messages may be held up on a loaded machine: waits (with a generous bound)
    // for what must have happened, then lets whatever is still on its way arrive so that
    // nothing more happening can be checked.
    static void SettleWhen(const std::function<bool()>& happened) {
        EXPECT_TRUE(PumpUntil(happened, 20000)) << "what the call was to come to never happened";
        Settle();
    }
    bool LineGivenBack() const { return !device->LineIsOpen() && rig.Count("lineClose") >= 1; }

    TTapiRig rig;
    TKslBaseComponent owner;
    std::unique_ptr<TKslComPort> port;
    std::unique_ptr<TKslTapiLog> log;
    std::unique_ptr<TKslTapiDevice> device;
    std::vector<std::string> events, errors;
};

TEST_F(TapiDeviceTest, ConnectedCallOpensThePortOnTheCallsHandleAndCancelDropsIt) {
    // The device found the owner's port and log, and took the port for telephony.
    EXPECT_EQ(device->GetComPort(), port.get());
    EXPECT_EQ(device->GetTapiLog(), log.get());
    EXPECT_EQ(port->GetTapiMode(), TTapiMode::tmOn);
    EXPECT_FALSE(device->Initialised());  // the service is reached on first use only

    TRecordingStatus status;
    owner.InsertComponent(&status);  // the device takes a status window that serves no device
    EXPECT_EQ(device->GetStatusDisplay(), &status);
    device->Dial("5551234");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    // Each call state is shown; the first line of the call is marked, the connection ends it.
    ASSERT_GE(status.Lines.size(), 2u);
    EXPECT_TRUE(status.Lines.front().first);
    EXPECT_EQ(status.Lines.front().message, 2);
    EXPECT_FALSE(status.Lines[1].first);
    EXPECT_TRUE(status.Lines.back().last);
    EXPECT_EQ(status.Lines.back().param1, static_cast<std::int32_t>(LINECALLSTATE_CONNECTED));
    EXPECT_EQ(events, (std::vector<std::string>{"portopen", "connect"}));
    EXPECT_EQ(device->LineNames(), (std::vector<std::string>{"Fake Modem", "Second Line"}));
    EXPECT_TRUE(device->IsConnected());
    ASSERT_TRUE(port->GetOpen());
    EXPECT_EQ(rig.Count("lineOpen 0 privileges 1 media 16"), 1);
    EXPECT_EQ(rig.Count("lineMakeCall 5551234 params 112 connect"), 1);
    EXPECT_EQ(rig.Count("lineGetID comm/datamodem COM41"), 1);

    // The port talks over the handle the call handed over.
    TPeer peer(42);
    ASSERT_TRUE(peer.Ok());
    port->PutString("ping");
    EXPECT_EQ(peer.Receive(4), "ping");
    peer.Send("pong");
    std::string got;
    PumpUntil([&] {
        while (port->CharReady()) got += port->GetChar();
        return got.size() >= 4;
    }, 5000);
    EXPECT_EQ(got, "pong");

    // While initialised the process is on record, with its line application.
    std::string handle;
    EXPECT_TRUE(RegistryValue(ProcessValue(), &handle));
    EXPECT_FALSE(handle.empty());

    EXPECT_TRUE(device->CancelCall());
    SettleWhen([&] { return LineGivenBack() && Seen("portclose") && rig.Count("lineDeallocateCall") >= 1; });
    EXPECT_EQ(events, (std::vector<std::string>{"portopen", "connect", "portclose"}));
    EXPECT_FALSE(port->GetOpen());
    EXPECT_EQ(port->TapiHandle, nullptr);
    EXPECT_FALSE(device->LineIsOpen());
    EXPECT_EQ(rig.Count("lineDrop"), 1);
    EXPECT_EQ(rig.Count("lineDeallocateCall"), 1);
    EXPECT_EQ(rig.Count("lineClose"), 1);
    EXPECT_EQ(rig.History(), (std::vector<std::string>{"call started", "  dialing 5551234", "  connected",
                                                       "  cancelled", "  dropped", "call finished", ""}));

    // Destroyed, the device shuts the service down and takes its record away.
    device.reset();
    EXPECT_EQ(rig.Count("lineShutdown " + handle), 1);
    EXPECT_FALSE(RegistryValue(ProcessValue()));
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, AssignCopiesTheChoicesAndWhatTheDeviceKnowsButNoLine) {
    device->MaxAttempts = 5;
    device->ShowPorts = false;
    device->Dial("5551234");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    TKslTapiDevice copy;
    copy.Assign(*device);
    EXPECT_EQ(copy.LineNames(), (std::vector<std::string>{"Fake Modem", "Second Line"}));
    EXPECT_EQ(copy.GetSelectedDevice(), "Fake Modem");
    EXPECT_EQ(copy.MaxAttempts, 5);
    EXPECT_EQ(copy.RetryWait, 1);
    EXPECT_FALSE(copy.ShowPorts);
    EXPECT_EQ(copy.Attempts(), 1);
    EXPECT_EQ(copy.GetComPort(), port.get());
    EXPECT_EQ(copy.GetTapiLog(), log.get());
    // The call stays the original's.
    EXPECT_FALSE(copy.Initialised());
    EXPECT_FALSE(copy.IsConnected());
    EXPECT_TRUE(device->IsConnected());
    EXPECT_TRUE(device->CancelCall());
    Settle();
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, BusyLineIsCalledUpToTheAttemptLimitThenFailsOnce) {
    rig.Scenario("port=41\ncalls=busy\n");
    device->MaxAttempts = 3;
    device->Dial("777");
    ASSERT_TRUE(PumpUntil([&] { return Seen("fail"); }, 20000));
    Settle();
    EXPECT_EQ(rig.Count("lineMakeCall 777"), 3);
    EXPECT_EQ(events, (std::vector<std::string>{"fail"}));
    EXPECT_FALSE(device->RetryIsPending());
    EXPECT_FALSE(device->LineIsOpen());
    std::vector<std::string> want{"call started"};
    for (int i = 0; i < 3; ++i)
        for (const char* l : {"  dialing 777", "  busy", "  dropped"}) want.push_back(l);
    for (const char* l : {"call finished", "", "  dial failed"}) want.push_back(l);
    EXPECT_EQ(rig.History(), want);

    // The failed call leaves nothing behind: the next one goes through.
    rig.Scenario("port=41\ncalls=connect\n");
    device->Dial("778");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    // A second dial during a call is refused and leaves the call alone.
    try {
        device->Dial("779");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiBusy& e) {
        EXPECT_EQ(e.ErrorCode, -13928);
    }
    EXPECT_TRUE(port->GetOpen());
    EXPECT_TRUE(device->IsConnected());
    device->CancelCall();
}

TEST_F(TapiDeviceTest, CancelWhileDialIsWaitingDropsAndClosesTheLine) {
    rig.Scenario("port=41\ncalls=lostreply\n");
    device->WaitTimeoutMs = 20000;
    // The user's cancel arrives while the dial waits for its reply.
    gCancelTarget = device.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, &CancelLater);
    const DWORD start = GetTickCount();
    device->Dial("43");
    const DWORD took = GetTickCount() - start;
    KillTimer(nullptr, timer);
    SettleWhen([&] { return LineGivenBack() && Seen("fail"); });
    EXPECT_LT(took, 20000u) << "the dial waited out its whole wait";
    EXPECT_EQ(rig.Count("lineDrop"), 1);
    EXPECT_EQ(rig.Count("lineClose"), 1);
    EXPECT_FALSE(device->LineIsOpen());
    EXPECT_EQ(events, (std::vector<std::string>{"fail"}));  // the call never connected
    EXPECT_EQ(rig.Count("lineMakeCall"), 1);
}

TEST_F(TapiDeviceTest, RefusedCallRequestFailsOnceAndWritesDialFailedOnce) {
    rig.Scenario("port=41\ncalls=refused\n");
    device->Dial("9");  // the failure goes to OnTapiFail, not out of Dial
    SettleWhen([&] { return Seen("fail"); });
    EXPECT_EQ(events, (std::vector<std::string>{"fail"}));
    EXPECT_EQ(rig.History(), (std::vector<std::string>{"call started", "  dialing 9", "  dropped", "call finished", "",
                                                       "  dial failed"}));
    // A refusal is final: no retry, the line is given back.
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(rig.Count("lineMakeCall 9"), 1);
    EXPECT_EQ(rig.Count("lineClose"), 1);
    EXPECT_FALSE(device->LineIsOpen());
    EXPECT_FALSE(device->RetryIsPending());
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, LineClosedByTheServiceEndsTheCallAndClosesItsPort) {
    rig.Scenario("port=41\ncalls=lineclosed\nhangupafter=300\n");
    device->Dial("12");
    ASSERT_TRUE(PumpUntil([&] { return Seen("portclose"); }));
    PumpUntil([] { return false; }, 2500);  // a retry would come within RetryWait
    EXPECT_EQ(events, (std::vector<std::string>{"portopen", "connect", "portclose"}));
    EXPECT_EQ(rig.Count("service closes the line"), 1);
    EXPECT_FALSE(port->GetOpen());
    EXPECT_EQ(port->TapiHandle, nullptr);
    EXPECT_FALSE(device->LineIsOpen());
    // Nothing of the line is left to drop or close; the call is not placed again.
    EXPECT_EQ(rig.Count("lineDrop"), 0);
    EXPECT_EQ(rig.Count("lineClose"), 0);
    EXPECT_EQ(rig.Count("lineMakeCall"), 1);
    EXPECT_EQ(rig.History().back(), "");  // "call finished" and its empty line
    // The device is ready for the next call.
    rig.Scenario("port=41\ncalls=connect\n");
    device->Dial("13");
    ASSERT_TRUE(PumpUntil([&] { return Times("connect") == 2; }));
    device->CancelCall();
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, OfferedDataCallIsAcceptedAndAnOfferedVoiceCallIsNot) {
    for (const char* media : {"16", "4"}) {
        SCOPED_TRACE(media);
        const bool data = std::string(media) == "16";
        DeleteFileA(rig.HistoryFile.c_str());
        DeleteFileA(rig.LogFile.c_str());
        rig.Scenario(std::string("port=41\ncalls=lostreply\noffer=100\noffermedia=") + media + "\n");
        device->WaitTimeoutMs = 20000;
        gCancelTarget = device.get();
        const UINT_PTR timer = SetTimer(nullptr, 0, 800, &CancelLater);
        device->Dial("5");
        KillTimer(nullptr, timer);
        SettleWhen([&] { return LineGivenBack(); });
        const auto history = rig.History();
        EXPECT_EQ(std::count(history.begin(), history.end(), "  accepting"), data ? 1 : 0);
        EXPECT_EQ(rig.Count("lineAccept"), data ? 1 : 0);
        EXPECT_FALSE(device->LineIsOpen());
        EXPECT_EQ(rig.Count("lineClose"), 1);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, LineAddedWhileRunningJoinsTheList) {
    rig.Scenario("devices=Fake Modem\nport=41\ncalls=connect\naddline=Late Line\naddafter=200\n");
    device->Dial("3");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    ASSERT_TRUE(PumpUntil([&] { return device->LineNames().size() == 2; }, 5000));
    EXPECT_EQ(device->LineNames(), (std::vector<std::string>{"Fake Modem", "Late Line"}));
    EXPECT_EQ(rig.Count("line added Late Line"), 1);
    device->CancelCall();
    // The new line can be chosen and called.
    device->SetSelectedDevice("Late Line");
    device->Dial("4");
    ASSERT_TRUE(PumpUntil([&] { return Times("connect") == 2; }));
    EXPECT_EQ(rig.Count("lineOpen 1 "), 1);
    device->CancelCall();
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, DirectPortsAreOfferedWithTheLinesAndChoosingOneTakesThePortOffTelephony) {
    device->ShowPorts = true;
    {
        TSelectionAnswer answer("Direct to COM42");
        EXPECT_EQ(device->SelectDevice(), 1);
        answer.worker.join();
        answer.worker = std::thread([] {});
        ASSERT_GE(answer.items.size(), 4u);
        EXPECT_EQ(answer.items[0], "Fake Modem");
        EXPECT_EQ(answer.items[1], "Second Line");
        EXPECT_NE(std::find(answer.items.begin(), answer.items.end(), "Direct to COM41"), answer.items.end());
        EXPECT_NE(std::find(answer.items.begin(), answer.items.end(), "Direct to COM42"), answer.items.end());
        EXPECT_EQ(answer.selectedAtStart, 0);  // the chosen line, "Fake Modem"
    }
    EXPECT_EQ(port->GetTapiMode(), TTapiMode::tmOff);
    EXPECT_EQ(port->GetComNumber(), 42);
    EXPECT_EQ(device->GetSelectedDevice(), "Fake Modem");  // the line choice stays
    {
        // Shown again, the dialog starts on the port in use.
        TSelectionAnswer answer("Second Line");
        EXPECT_EQ(device->SelectDevice(), 1);
        answer.worker.join();
        answer.worker = std::thread([] {});
        ASSERT_GE(answer.selectedAtStart, 0);
        EXPECT_EQ(answer.items[static_cast<std::size_t>(answer.selectedAtStart)], "Direct to COM42");
    }
    EXPECT_EQ(device->GetSelectedDevice(), "Second Line");
    EXPECT_EQ(port->GetTapiMode(), TTapiMode::tmAuto);
    {
        // Without ports only the lines are offered.
        device->ShowPorts = false;
        TSelectionAnswer answer("Fake Modem");
        device->SelectDevice();
        answer.worker.join();
        answer.worker = std::thread([] {});
        EXPECT_EQ(answer.items, (std::vector<std::string>{"Fake Modem", "Second Line"}));
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(TapiDeviceTest, InitialisationTriesAgainAfterReinitAndReportsWhatEndsIt) {
    rig.Scenario("port=41\nreinit=1\n");
    device->Dial("1");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    EXPECT_EQ(rig.Count("lineInitialize"), 2);
    device->CancelCall();

    device.reset();
    MakeDevice();
    rig.Scenario("port=41\nreinit=2\n");
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiReinit& e) {
        EXPECT_EQ(e.ErrorCode, -13882);
        EXPECT_EQ(e.Message(), "Reinit failed");
    }
    rig.Scenario("port=41\nfailinit=1\n");
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiNoDriver& e) {
        EXPECT_EQ(e.ErrorCode, -13867);
        EXPECT_EQ(e.Message(), "No driver");
    }
    // Any other answer is tried again, a few times, not for ever.
    rig.Scenario("port=41\nbusyinit=1000\n");
    const int before = rig.Count("lineInitialize");
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiResourceUnavail& e) {
        EXPECT_EQ(e.ErrorCode, -13875);
    }
    EXPECT_EQ(rig.Count("lineInitialize") - before, 10);
    // A passing hitch is ridden out, and nothing of the failed starts stays: the dial goes through.
    rig.Scenario("port=41\nbusyinit=3\n");
    device->Dial("2");
    ASSERT_TRUE(PumpUntil([&] { return Seen("connect"); }));
    device->CancelCall();
}

TEST_F(TapiDeviceTest, DeadProcessesAreCleanedUpAndDialChecksItsPrerequisites) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "$7FFFFFF0", 0, REG_SZ, reinterpret_cast<const BYTE*>("4660"), 5);
    // Another program that uses telephony runs beside this one: a command shell that waits on
    // its input, which the test holds.
    HANDLE inRead = nullptr, inWrite = nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    ASSERT_TRUE(CreatePipe(&inRead, &inWrite, &inherit, 0));
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION other{};
    char shell[] = "cmd.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, shell, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &other));
    CloseHandle(inRead);
    char otherName[16];
    wsprintfA(otherName, "$%08X", other.dwProcessId);
    RegSetValueExA(key, otherName, 0, REG_SZ, reinterpret_cast<const BYTE*>("4661"), 5);
    RegCloseKey(key);

    // A line nobody knows: the device has nothing to offer and says so.
    device->SetSelectedDevice("No Such Line");
    rig.Scenario("devices=Fake Modem|Second Line\nport=41\n");
    device->ShowTapiDevices = false;
    device->ShowPorts = false;
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiNoSelect& e) {
        EXPECT_EQ(e.ErrorCode, -13930);
    }
    EXPECT_EQ(rig.Count("lineShutdown 4660"), 1);
    EXPECT_FALSE(RegistryValue("$7FFFFFF0"));
    EXPECT_TRUE(RegistryValue(ProcessValue()));
    // The running program's record stays, and its line application is left to it.
    std::string otherHandle;
    EXPECT_TRUE(RegistryValue(otherName, &otherHandle));
    EXPECT_EQ(otherHandle, "4661");
    EXPECT_EQ(rig.Count("lineShutdown 4661"), 0);
    CloseHandle(inWrite);
    if (WaitForSingleObject(other.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(other.hProcess, 1);
    CloseHandle(other.hProcess);
    CloseHandle(other.hThread);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, otherName);
        RegCloseKey(key);
    }

    // A record under this program's own number: under Wine the first program after the server
    // starts gets the same number each time, so this is an earlier run that never shut its line
    // application down. Initialising shuts it down and puts this run's record in its place.
    device.reset();
    ASSERT_FALSE(RegistryValue(ProcessValue()));
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, ProcessValue().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("4662"), 5);
    RegCloseKey(key);
    MakeDevice();
    device->SetSelectedDevice("No Such Line");
    device->ShowTapiDevices = false;
    device->ShowPorts = false;
    EXPECT_THROW(device->Dial("1"), ETapiNoSelect);
    ASSERT_TRUE(device->Initialised());
    EXPECT_EQ(rig.Count("lineShutdown 4662"), 1);
    std::string own;
    ASSERT_TRUE(RegistryValue(ProcessValue(), &own));
    EXPECT_NE(own, "4662");
    // What stands there is this run's own line application: it is the one shut down at the end.
    device.reset();
    EXPECT_EQ(rig.Count("lineShutdown " + own), 1);
    EXPECT_EQ(rig.Count("lineShutdown 4662"), 1);
    EXPECT_FALSE(RegistryValue(ProcessValue()));
    MakeDevice();

    // The lines of the provider cannot play and record voice.
    device->SetSelectedDevice("Second Line");
    try {
        device->SetEnableVoice(true);
        ADD_FAILURE() << "no exception";
    } catch (const ETapiVoiceNotSupported& e) {
        EXPECT_EQ(e.ErrorCode, -13935);
    }
    EXPECT_FALSE(device->GetEnableVoice());

    port->SetTapiMode(TTapiMode::tmOff);
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const ETapiNotSet& e) {
        EXPECT_EQ(e.Message(), "TapiMode not set in TKslComPort");
    }
    device->SetComPort(nullptr);
    try {
        device->Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const EPortNotAssigned& e) {
        EXPECT_EQ(e.ErrorCode, -1005);
        EXPECT_EQ(e.Message(), "ComPort component not assigned");
    }
    EXPECT_EQ(rig.Count("lineMakeCall"), 0);
}

}  // namespace
