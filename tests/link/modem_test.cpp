// Calls through an AT modem: the strings on the wire, carrier and going online, a read through
// the call, the three hang-up stages in ticks, carrier loss, dial failures and the end of call.
#include "LinkFixture.h"
#include "ModemSim.h"
#include "link/qvEquates.h"

#include <set>
#include "RegulatorSim.h"

namespace talvik::test {

class ModemLinkTest : public LinkTest {
protected:
    sim::RegulatorSim Reg;
    sim::ModemSim Modem{&Reg};

    void SetUp() override {
        LinkTest::SetUp();
        CallEnded = true;
        ModemPortNumber = 3;
        Listener.Number = "5551234";
        Listener.LogNum = "0299887766";
        Port.OnSend = [this](const std::string& s, std::uint64_t now) { Modem.Feed(s, now); };
        Port.OnTick = [this](std::uint64_t now) {
            Port.Receive(Modem.Drain(now));
            Port.Dcd = Modem.Dcd();
        };
        Listener.OnCall = [this](const std::string& c) {
            if (c == "getcurrent") Link.Getdata("TCurrentform", 2);
            if (c == "getCurrentString") Link.Getdata("TCurrentform", 3);
        };
        for (int i = 0; i < sim::MemorySize; ++i) Reg.Memory()[i] = static_cast<std::uint8_t>(i * 7);
    }

    std::vector<std::string> Wire() const {
        std::vector<std::string> v;
        for (const auto& s : Port.SentLog) v.push_back(s.Bytes);
        return v;
    }
    int SentCount(const std::string& s) const {
        const auto w = Wire();
        return static_cast<int>(std::count(w.begin(), w.end(), s));
    }
    bool HasStatus(const std::string& s) const {
        return std::find(Listener.Statuses.begin(), Listener.Statuses.end(), s) != Listener.Statuses.end();
    }
    bool Connect() { return Port.RunUntil([] { return Online; }, 400); }
    bool Idle() const { return !CommBusy; }
};

TEST_F(ModemLinkTest, DialButtonSetsUpTheModemThenDialsAndGoesOnlineOnCarrier) {
    Listener.SetupText = "&K0&Q0&D0";
    Listener.Delay = 4;
    Link.DialbuttonClick();
    EXPECT_FALSE(DirectMode);
    ASSERT_EQ(Port.OpenedNumbers.back(), 3);
    ASSERT_EQ(Wire(), std::vector<std::string>{"AT&K0&Q0&D0\r\n"});
    EXPECT_EQ(Listener.Statuses.back(), "Modem Setup");
    EXPECT_TRUE(ModemSetupTriggerAdded);

    // The modem's answer is collected after the path delay, shown, and the dial follows.
    Port.Advance(3);
    EXPECT_EQ(Wire().size(), 1u);
    Port.Advance(1);
    EXPECT_TRUE(HasStatus("\r\nOK\r\n"));
    EXPECT_FALSE(ModemSetupTriggerAdded);
    ASSERT_EQ(Wire().size(), 2u);
    EXPECT_EQ(Wire()[1], "ATDT5551234\r\n");
    EXPECT_EQ(Port.SentLog[1].Tick, 4u);
    EXPECT_TRUE(Dialling);
    EXPECT_FALSE(CallEnded);
    EXPECT_EQ(HangupCountdown, 60);
    EXPECT_EQ(Listener.Statuses.back(), "Dialing");
    EXPECT_EQ(Modem.Dialled(), "5551234");

    // No read while the modem dials.
    Link.Getdata("TCurrentform", 2);
    EXPECT_EQ(Wire().size(), 2u);
    EXPECT_FALSE(CommBusy);

    ASSERT_TRUE(Connect());
    // 5 s of dialling from tick 4: the carrier is seen at the first tick after it rose.
    EXPECT_EQ(Port.Now(), 4u + (5000 + 54) / 55);
    EXPECT_FALSE(Dialling);
    EXPECT_EQ(Listener.Statuses.back(), "Carrier");
    EXPECT_EQ(Listener.Count("call button connected"), 1);
    EXPECT_EQ(Wire().back(), "ATO");
    EXPECT_FALSE(ReadOnConnect);
    EXPECT_EQ(Listener.Count("labelupdate"), 0);
}

TEST_F(ModemLinkTest, EmptySetupStringDialsAtOnceWithPulseDialling) {
    Listener.Pulse = true;
    Link.DialbuttonClick();
    ASSERT_EQ(Wire(), std::vector<std::string>{"ATDP5551234\r\n"});
    EXPECT_TRUE(Modem.PulseDialled());
    EXPECT_FALSE(ModemSetupTriggerAdded);
    EXPECT_TRUE(HasDebug("Dial number using ATDP / ATDT "));
}

TEST_F(ModemLinkTest, LogDialReadsThroughTheCallAndHangsUpInThreeStages) {
    Link.dialup("log");
    EXPECT_EQ(Wire(), std::vector<std::string>{"ATDT0299887766\r\n"});
    EXPECT_TRUE(ReadOnConnect);
    EXPECT_FALSE(LogDial);
    ASSERT_TRUE(Connect());

    // The carrier starts a logging read of kind 3; the pair then reads kind 2. The modem is put
    // on line first: "ATO" never follows a request on the wire.
    EXPECT_TRUE(CommBusy);
    ASSERT_GE(Wire().size(), 3u);
    EXPECT_EQ(Wire()[1], "ATO");
    EXPECT_EQ(Wire()[2].size(), 4u);
    ASSERT_TRUE(Port.RunUntil([this] { return Idle(); }, 5000));
    EXPECT_TRUE(CurrentStringLoaded);
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(LogWritePending);
    EXPECT_FALSE(ReadOnConnect);
    std::set<int> heard;
    for (const auto& e : Reg.Log())
        if (e.imageAddress >= 0) heard.insert(e.imageAddress);
    EXPECT_EQ(static_cast<int>(heard.size()), KindCount(3) + KindCount(2));
    for (int a : heard) EXPECT_EQ(RegImage[a], Reg.Memory()[a]) << a;

    // A user read of kind 2 goes through the call as well.
    CurrentLoaded = false;
    const auto framesBefore = Reg.FramesHeard();
    Link.Getdata("TCurrentform", 2);
    ASSERT_TRUE(Port.RunUntil([this] { return Idle(); }, 5000));
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_GT(Reg.FramesHeard(), framesBefore);

    // Hang-up: 30 ticks of guard, "+++", 30 ticks, "ATH0", 50 ticks, end of call.
    KindLoaded[5] = true;
    CalibrationLoaded = true;
    const auto t0 = Port.Now();
    const auto sent = Port.SentLog.size();
    Link.HangupClick();
    EXPECT_TRUE(HangupInProgress);
    EXPECT_EQ(Listener.Statuses.back(), "Wait for Close");
    Port.Advance(29);
    EXPECT_EQ(Port.SentLog.size(), sent);
    Port.Advance(1);
    ASSERT_EQ(Port.SentLog.size(), sent + 1);
    EXPECT_EQ(Port.SentLog.back().Bytes, "+++");
    EXPECT_EQ(Port.SentLog.back().Tick, t0 + 30);
    EXPECT_EQ(Listener.Statuses.back(), "Break");
    Port.Advance(30);
    ASSERT_EQ(Port.SentLog.size(), sent + 2);
    EXPECT_EQ(Port.SentLog.back().Bytes, "ATH0\r\n");
    EXPECT_EQ(Port.SentLog.back().Tick, t0 + 60);
    EXPECT_EQ(Listener.Statuses.back(), "Hang Up");
    EXPECT_EQ(Modem.Commands().back(), "ATH0");
    EXPECT_FALSE(Modem.Dcd());
    Port.Advance(49);
    EXPECT_TRUE(HangupInProgress);
    Port.Advance(1);
    EXPECT_FALSE(HangupInProgress);
    EXPECT_EQ(Listener.Statuses.back(), "Closed");
    EXPECT_TRUE(HasDebug("hangup completed"));

    // The end of the call: back to the direct line, data read through the call distrusted, and
    // the line dropping under our own hang-up asks for no second one.
    EXPECT_TRUE(CallEnded);
    EXPECT_TRUE(DirectMode);
    EXPECT_FALSE(Online);
    EXPECT_FALSE(HangupRequested);
    EXPECT_FALSE(KindLoaded[5]);
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_EQ(Listener.Count("call button idle"), 1);
    EXPECT_EQ(DialTrigger, 0);
    EXPECT_EQ(HangupTrigger, 0);
    EXPECT_EQ(Port.SentLog.size(), sent + 2);

    // The next read opens the direct port again.
    Link.Getdata("TCurrentform", 2);
    EXPECT_EQ(Port.OpenedNumbers.back(), 1);
    EXPECT_TRUE(CommBusy);
}

TEST_F(ModemLinkTest, CarrierLossRequestsHangupForTheNextTimerTick) {
    Link.DialbuttonClick();
    ASSERT_TRUE(Connect());
    const auto sent = Port.SentLog.size();
    Modem.DropCarrier();
    Port.Advance(1);
    EXPECT_TRUE(HangupRequested);
    EXPECT_TRUE(HasDebug("modem status change"));
    Port.Advance(20);
    EXPECT_EQ(Port.SentLog.size(), sent);
    // The timer's hang-up clears the request and runs the stages.
    Link.HangupClick();
    EXPECT_FALSE(HangupRequested);
    EXPECT_TRUE(HangupInProgress);
    ASSERT_TRUE(Port.RunUntil([] { return CallEnded; }, 200));
    EXPECT_TRUE(DirectMode);
}

TEST_F(ModemLinkTest, UnansweredDialStaysDiallingUntilHungUp) {
    Modem.Answers = false;
    Link.DialbuttonClick();
    Port.Advance(200);
    EXPECT_TRUE(Dialling);
    EXPECT_FALSE(Online);
    Link.Getdata("TCurrentform", 3);
    EXPECT_EQ(Port.SentLog.size(), 1u);
    Link.HangupClick();
    ASSERT_TRUE(Port.RunUntil([] { return CallEnded; }, 200));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"ATDT5551234\r\n", "+++", "ATH0\r\n"}));
    EXPECT_FALSE(Dialling);
    EXPECT_TRUE(DirectMode);
    // A new dial works after the end of the call.
    Modem.Answers = true;
    Link.DialbuttonClick();
    EXPECT_EQ(Wire().back(), "ATDT5551234\r\n");
    EXPECT_TRUE(Connect());
}

TEST_F(ModemLinkTest, HangupTwiceOrWithoutACallAndDialDuringHangup) {
    Link.HangupClick();
    EXPECT_EQ(Listener.Statuses.back(), "Port Not Open");
    EXPECT_FALSE(HangupInProgress);

    Link.DialbuttonClick();
    ASSERT_TRUE(Connect());
    Link.HangupClick();
    const auto due = Port.DueTick(HangupTrigger);
    Port.Advance(10);
    Link.HangupClick();
    EXPECT_EQ(Port.DueTick(HangupTrigger), due);
    EXPECT_EQ(HangupStage, 1);

    Link.dialup("dialbutton");
    EXPECT_TRUE(HasDebug("no dialup, hangup still in progress"));
    ASSERT_TRUE(Port.RunUntil([] { return CallEnded; }, 200));
    EXPECT_EQ(SentCount("+++"), 1);
    EXPECT_EQ(SentCount("ATDT5551234\r\n"), 1);
}

TEST_F(ModemLinkTest, ModemPortThatWillNotOpenLeavesNoCallBehind) {
    Port.FailOpen = true;
    Listener.SetupText = "&K0&Q0&D0";
    Link.DialbuttonClick();  // set-up cannot open the port
    EXPECT_TRUE(HasStatus("Cant open port"));
    EXPECT_FALSE(ModemSetupTriggerAdded);
    // Without a call the direct line is the way again: the next read opens it.
    EXPECT_TRUE(DirectMode);
    Port.FailOpen = false;
    Link.Getdata("TCurrentform", 2);
    EXPECT_EQ(Port.OpenedNumbers.back(), 1);
    ASSERT_TRUE(Port.RunUntil([this] { return Idle(); }, 5000));
    Port.SentLog.clear();
    Port.FailOpen = true;
    Link.dialup("log");
    EXPECT_EQ(Listener.Statuses.back(), "Cant open COMM port");
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_TRUE(CallEnded);
    EXPECT_TRUE(DirectMode);
    EXPECT_FALSE(Dialling);
    EXPECT_FALSE(ReadOnConnect);
    // A dial while a call is up only re-arms the log's retry timer.
    Port.FailOpen = false;
    Link.dialup("dialbutton");
    ASSERT_TRUE(Connect());
    LogDial = false;
    DialCountdown = 0;
    Link.dialup("log");
    EXPECT_TRUE(LogDial);
    EXPECT_EQ(DialCountdown, 60);
    EXPECT_EQ(SentCount("ATDT5551234\r\n"), 1);
}

TEST_F(ModemLinkTest, LogDialAfterADirectReadGoesOutOnTheModemPort) {
    // The direct read leaves the regulator's port open.
    Link.portset(1);
    ASSERT_TRUE(Port.GetOpen());
    Link.dialup("log");
    EXPECT_EQ(Port.OpenedNumbers.back(), 3);
    EXPECT_EQ(Wire(), std::vector<std::string>{"ATDT0299887766\r\n"});
    EXPECT_TRUE(Connect());
}

TEST_F(ModemLinkTest, DialWhileATransferRunsIsRefusedAndTheTransferGoesOn) {
    Link.Getdata("TCurrentform", 2);
    ASSERT_TRUE(CommBusy);
    const auto sent = Port.SentLog.size();
    const auto opens = Port.OpenedNumbers.size();
    Link.DialbuttonClick();
    EXPECT_EQ(Listener.Statuses.back(), "Line busy with a transfer");
    EXPECT_TRUE(DirectMode);
    EXPECT_TRUE(CommBusy);
    EXPECT_EQ(Port.OpenedNumbers.size(), opens);

    // A log dial waits for its retry timer instead.
    Link.dialup("log");
    EXPECT_TRUE(LogDial);
    EXPECT_EQ(DialCountdown, 60);
    EXPECT_TRUE(CallEnded);
    EXPECT_EQ(Port.SentLog.size(), sent);
    EXPECT_EQ(SentCount("ATDT0299887766\r\n"), 0);

    // The read ends by itself (nobody answers on the direct line here) and the link is free.
    ASSERT_TRUE(Port.RunUntil([this] { return Idle(); }, 5000));
    EXPECT_FALSE(Dialling);
    Link.dialup("log");
    EXPECT_EQ(Wire().back(), "ATDT0299887766\r\n");
}

TEST_F(ModemLinkTest, NoReadDuringHangupAndAModemThatKeepsTheLineIsReported) {
    Link.DialbuttonClick();
    ASSERT_TRUE(Connect());
    Link.HangupClick();
    Port.Advance(10);
    const auto sent = Port.SentLog.size();
    Link.Getdata("TCurrentform", 2);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(Port.SentLog.size(), sent);

    // This modem ignores ATH0: the carrier stays.
    Port.OnTick = [this](std::uint64_t now) {
        Port.Receive(Modem.Drain(now));
        Port.Dcd = true;
    };
    ASSERT_TRUE(Port.RunUntil([] { return !HangupInProgress; }, 200));
    EXPECT_EQ(Listener.Statuses.back(), "Hang up failed - carrier still present");
    EXPECT_FALSE(HasStatus("Closed"));
    EXPECT_FALSE(CallEnded);
    EXPECT_FALSE(Online);
    EXPECT_FALSE(DirectMode);
    // Offline: no read goes to the modem; Hang Up can be tried again and ends the call.
    Link.Getdata("TCurrentform", 2);
    EXPECT_FALSE(CommBusy);
    Port.OnTick = [this](std::uint64_t now) {
        Port.Receive(Modem.Drain(now));
        Port.Dcd = Modem.Dcd();
    };
    Link.HangupClick();
    ASSERT_TRUE(Port.RunUntil([] { return CallEnded; }, 200));
    EXPECT_EQ(Listener.Statuses.back(), "Closed");
    EXPECT_TRUE(DirectMode);
}

TEST_F(ModemLinkTest, WritesThroughACallLeaveNoTriggerBehind) {
    Link.DialbuttonClick();
    ASSERT_TRUE(Connect());
    const auto live = Port.LiveTriggers();
    for (int i = 0; i < 3; ++i) {
        WriteAddress = 44;
        WriteValue = 70 + i;
        WriteNeedsUnlock = true;
        SendCount = 2;
        SendOneState = 2;
        SettingIndex = 10;
        SettingRamValue = 94;
        ASSERT_TRUE(Link.writesettingchecked());
        ASSERT_TRUE(Port.RunUntil([] { return !WriteBusy; }, 2000));
        EXPECT_EQ(Reg.Memory()[300], 70 + i);
    }
    EXPECT_EQ(Port.LiveTriggers(), live);
}

}  // namespace talvik::test
