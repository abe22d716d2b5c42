// Reads through the reply state machine against the simulated regulator: the traffic, the
// image, the texts and the callbacks, healthy and under faults.
#include "SimFixture.h"
#include "serial/KsExcept.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/qvEquates.h"

using namespace talvik;
using namespace talvik::test;

namespace {
using Reads = SimLinkTest;

std::vector<int> KindAddresses(int kind) {
    DataKind = kind;
    std::vector<int> v;
    for (ReadNum = KindCount(kind); ReadNum >= 1; --ReadNum) v.push_back(readaddr());
    return v;
}
}  // namespace

TEST_F(Reads, CurrentDataReadFillsTheImageInTableOrder) {
    ASSERT_TRUE(RunRead(2));
    const auto expected = KindAddresses(2);
    DataKind = 2;
    std::vector<int> firstSeen;
    std::map<int, int> sends;
    for (int a : ReadsHeard()) {
        if (sends[a]++ == 0) firstSeen.push_back(a);
    }
    EXPECT_EQ(firstSeen, expected);
    for (int a : expected) {
        EXPECT_EQ(RegImage[a], Sim.Memory()[a]) << "address " << a;
        EXPECT_GE(sends[a], 2) << "address " << a;
    }
    EXPECT_EQ(RegImage[1], 0);  // nothing outside the kind
    EXPECT_EQ(Listener.Count("labelupdate"), 1);
    EXPECT_EQ(Listener.Count("save0"), 1);
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_EQ(Listener.Statuses.back(), "0 Data Received");
    EXPECT_TRUE(HasDebug("Finish"));
    EXPECT_TRUE(HasDebug("read number 22 accepted for addr 221"));
    EXPECT_TRUE(HasDebug("GetData: TCurrentform, 2"));
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_FALSE(CommBusy);
}

TEST_F(Reads, EveryKindCompletesAgainstAHealthyRegulator) {
    const std::map<int, std::string> callback = {{3, "labelupdate"},       {4, "groupreaddone4 ok"},
                                                 {5, "groupreaddone5 ok"}, {6, "groupreaddone6 ok"},
                                                 {7, "groupreaddone7 ok"}, {8, "groupreaddone8 ok"},
                                                 {9, "caldisplay ok"},     {10, "drawgraph"},
                                                 {11, "Xaltodis"}};
    for (int kind = 2; kind <= 11; ++kind) {
        SCOPED_TRACE(kind);
        RegImage.fill(0);
        xaldata.fill(0);
        Listener.Calls.clear();
        ASSERT_TRUE(RunRead(kind));
        if (kind == 11) {
            for (int i = 0; i <= 20; ++i) EXPECT_EQ(xaldata[i], Sim.Memory()[256 + i]);
            EXPECT_EQ(Listener.Count("Loaddata"), 1);
        } else {
            RegImage[301] = Sim.Memory()[301];  // the history order depends on it
            for (int a : KindAddresses(kind)) EXPECT_EQ(RegImage[a], Sim.Memory()[a]) << a;
        }
        if (callback.count(kind)) {
            EXPECT_GE(Listener.Count(callback.at(kind)), 1);
        }
        EXPECT_EQ(Listener.Beeps, 0);
    }
    for (int k = 4; k <= 8; ++k) EXPECT_TRUE(KindLoaded[k]);
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_TRUE(HistoryLoaded);
    // The graph is redrawn after every seventh history byte while the days come in.
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(Reads, HistoryReadRedrawsTheGraphDayByDay) {
    ASSERT_TRUE(RunRead(10));
    // 29 redraws while reading (ReadNum 203 down to 7 in steps of 7) and one at the end.
    EXPECT_EQ(Listener.Count("drawgraph"), 30);
    EXPECT_EQ(ModelName.empty(), false);
}

TEST_F(Reads, SilentRegulatorIsLookedAtSixTimesPerSendAndFailsAfterFourSends) {
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunRead(2));
    const auto times = TimesHeard();
    ASSERT_EQ(times.size(), 4u);
    // Each send: first look after 2 ticks, five re-arms of 2 ticks, then the next send.
    EXPECT_EQ(times[1] - times[0], 12u);
    EXPECT_EQ(times[2] - times[1], 12u);
    EXPECT_EQ(times[3] - times[2], 12u);
    EXPECT_EQ(CountDebug("reset wait timer: reccount=6"), 4);
    EXPECT_EQ(CountDebug("reset wait timer: reccount=7"), 0);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(Listener.Statuses.back(), "Timeout");
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(ReadAborted);
    // A failed read leaves its group not valid: not loaded, not saved, no second page.
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_EQ(Listener.Count("save0"), 0);
    EXPECT_EQ(Listener.Count("labelupdate"), 1);
    EXPECT_EQ(Port.LiveTriggers(), 0u);

    Sim.GetFaults().silence = 0;
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(Reads, AFailedCalibrationOrHistoryReadLeavesItsSaveOptionOff) {
    // Save options: 1 history, 2 calibration, 3 settings ("save" enables, "nosave" disables).
    ASSERT_TRUE(RunRead(9));
    ASSERT_TRUE(RunRead(10));
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_TRUE(HistoryLoaded);
    EXPECT_EQ(Listener.Count("save2"), 1);
    EXPECT_EQ(Listener.Count("save1"), 1);

    // The same reads failing: half-overwritten data is neither valid nor offered for saving.
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunRead(9));
    ASSERT_TRUE(RunRead(10, 40000));
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_FALSE(HistoryLoaded);
    EXPECT_EQ(Listener.Count("save2"), 1);
    EXPECT_EQ(Listener.Count("save1"), 1);
    EXPECT_EQ(Listener.Count("nosave2"), 1);
    EXPECT_EQ(Listener.Count("nosave1"), 1);

    // A failed settings group withdraws the settings only when no other group holds data.
    ASSERT_TRUE(RunRead(5));
    EXPECT_EQ(Listener.Count("nosave3"), 1);
    Sim.GetFaults().silence = 0;
    ASSERT_TRUE(RunRead(4));
    EXPECT_EQ(Listener.Count("save3"), 1);
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunRead(5));
    EXPECT_EQ(Listener.Count("nosave3"), 1);
    EXPECT_TRUE(KindLoaded[4]);
}

TEST_F(Reads, ThroughAModemTheReplyWaitIsThePathDelay) {
    DirectMode = false;
    Online = true;
    Port.IsOpen = true;
    Listener.Delay = 5;
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunRead(3));
    const auto times = TimesHeard();
    ASSERT_EQ(times.size(), 4u);
    EXPECT_EQ(times[1] - times[0], 2u + 5 * 5);
    EXPECT_GE(Port.InFlushes, 1);
}

TEST_F(Reads, GarbageRepliesFailTheReadAfterElevenSamples) {
    Sim.GetFaults().garbage = sim::Always;
    Sim.GetFaults().garbageLength = 1;
    ASSERT_TRUE(RunRead(4));
    EXPECT_TRUE(HasDebug("repeat try 11 required"));
    EXPECT_FALSE(HasDebug("repeat try 12 required"));
    EXPECT_TRUE(HasDebug("Not a valid read-reply"));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(Listener.Count("groupreaddone4 failed"), 1);
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(CommBusy);
}

TEST_F(Reads, AlternatingRepliesFailAtTheEleventhSample) {
    Sim.GetFaults().alternate = sim::Always;
    ASSERT_TRUE(RunRead(9));
    EXPECT_EQ(ReadsHeard().size(), 11u);
    EXPECT_TRUE(HasDebug("repeat try 11 required"));
    EXPECT_EQ(Listener.Count("caldisplay failed"), 1);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(RegImage[239], 0);
}

TEST_F(Reads, ReplySplitOverTwoFiringsIsAccepted) {
    Sim.GetFaults().split = sim::Always;
    Sim.GetFaults().splitDelayMs = 100;  // the data byte comes one look later
    ASSERT_TRUE(RunRead(6));
    for (int a : KindAddresses(6)) EXPECT_EQ(RegImage[a], Sim.Memory()[a]);
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_TRUE(KindLoaded[6]);
}

TEST_F(Reads, BadHeaderIsNoSampleSoARealZeroNeedsTwoTrueReplies) {
    const auto addresses = KindAddresses(6);
    const int first = addresses.front();
    Sim.Memory()[first] = 0;
    Sim.GetFaults().wrongHeader = 1;
    ASSERT_TRUE(RunRead(6));
    // Sent 3 times: the wrong header is a failed sample, then two true replies agree. Taking the
    // bad header as a sample of 0 would accept the first true reply alone, after 2 sends.
    const auto heard = ReadsHeard();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), first), 3);
    EXPECT_TRUE(HasDebug("Not a valid read-reply"));
    EXPECT_EQ(RegImage[first], 0);
    for (int a : addresses) EXPECT_EQ(RegImage[a], Sim.Memory()[a]);
}

TEST_F(Reads, ReplyArrivingAfterTheGiveUpDoesNotSpoilTheNextRead) {
    // The first reply comes after the read gave up on its four sends; the simulator's later
    // replies queue behind it, so the next read sees the old replies arrive in one burst.
    Sim.GetFaults().slow = 1;
    Sim.GetFaults().slowDelayMs = 3000;
    ASSERT_TRUE(RunRead(2));
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(ReadsHeard().size(), 4u);
    ASSERT_TRUE(RunRead(3));
    for (int a : KindAddresses(3)) EXPECT_EQ(RegImage[a], Sim.Memory()[a]) << a;
    EXPECT_TRUE(CurrentStringLoaded);
}

TEST_F(Reads, LineThatFloodsFailsTheReadAndGivesNoValues) {
    // Bytes that keep coming whether asked or not: a reply-shaped flood ("200 77" again and
    // again) and random bytes, at 2400 baud (about 13 bytes a tick) and at 300 (under 2).
    struct Case {
        const char* name;
        int bytesPerTick;
        bool replyShaped;
    };
    for (const Case c : {Case{"reply-shaped 2400", 13, true}, Case{"random 2400", 13, false},
                         Case{"reply-shaped 300", 2, true}}) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(7);
        bool flooding = true;
        std::size_t phase = 0;
        Port.OnTick = [&](std::uint64_t now) {
            Port.Receive(Sim.Drain(now));
            if (!flooding) return;
            for (int i = 0; i < c.bytesPerTick; ++i, ++phase)
                Port.Receive({c.replyShaped ? static_cast<std::uint8_t>(phase % 2 ? 77 : 200)
                                            : static_cast<std::uint8_t>(rng() % 256)});
        };
        RegImage.fill(0);
        Listener.Statuses.clear();
        Listener.Beeps = 0;
        CurrentLoaded = false;
        Link.Getdata("TCurrentform", 2);
        EXPECT_NO_THROW(Port.RunUntil([this] { return Idle(); }, 2000));
        EXPECT_TRUE(Idle());
        EXPECT_FALSE(CurrentLoaded);
        EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
        EXPECT_EQ(Listener.Beeps, 3);
        EXPECT_TRUE(std::any_of(Debug.begin(), Debug.end(), [](const std::string& l) {
            return l.rfind("the line sends bytes nobody asked for", 0) == 0;
        }));
        // At 2400 baud the first look already sees the flood: not one value was taken.
        if (c.bytesPerTick > 10) {
            for (int a : KindAddresses(2)) EXPECT_EQ(RegImage[a], 0) << a;
        }
        // The line quietens: the next read is a clean one.
        flooding = false;
        Port.Advance(5);
        Port.Input.clear();
        ASSERT_TRUE(RunRead(2));
        EXPECT_TRUE(CurrentLoaded);
        for (int a : KindAddresses(2)) EXPECT_EQ(RegImage[a], Sim.Memory()[a]) << a;
    }
}

TEST_F(Reads, RefusedWhileStartingBusyDiallingOrWriting) {
    StartupPending = true;
    Link.Getdata("TCurrentform", 2);
    StartupPending = false;
    CommBusy = true;
    Link.Getdata("TCurrentform", 2);
    CommBusy = false;
    Dialling = true;
    Link.Getdata("TCurrentform", 2);
    Dialling = false;
    WriteBusy = true;
    Link.Getdata("TCurrentform", 2);
    WriteBusy = false;
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_TRUE(Listener.Statuses.empty());
    EXPECT_EQ(CountDebug("GetData: TCurrentform, 2"), 4);
}

TEST_F(Reads, SendFailureLeavesTheLinkReadyForTheNextRead) {
    Port.FailPutString = true;
    EXPECT_THROW(Link.Getdata("TCurrentform", 2), Exception);
    EXPECT_FALSE(InGetdata);
    EXPECT_FALSE(CommBusy);
    Port.FailPutString = false;
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(Reads, PortFailingInTheMiddleOfAReadEndsItWithCommFail) {
    Link.Getdata("TCurrentform", 2);
    ASSERT_TRUE(CommBusy);
    Port.FailPutString = true;  // the adapter went away: the next send raises
    EXPECT_THROW(Port.RunUntil([] { return !CommBusy; }, 1000), Exception);
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    Port.FailPutString = false;
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(Reads, FailedDeviceEndsTheReadWithCommFailWithoutRaisingItAgain) {
    // The port's threads ended on a device read error and the port reported it; a read that
    // meets the dead port, at its start or half-way, only ends.
    Port.DeviceErrorCode = -161;
    EXPECT_NO_THROW(Link.Getdata("TCurrentform", 2));
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(InGetdata);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    Port.DeviceErrorCode = 0;
    Link.Getdata("TCurrentform", 2);
    ASSERT_TRUE(CommBusy);
    Port.DeviceErrorCode = -161;
    EXPECT_NO_THROW(Port.RunUntil([] { return !CommBusy; }, 1000));
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    // Any other failure of a send still reaches the program's error display.
    Port.DeviceErrorCode = -3006;
    EXPECT_THROW(Link.Getdata("TCurrentform", 2), Exception);
    Port.DeviceErrorCode = 0;
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(Reads, PortThatCannotOpenEndsInCommFail) {
    Port.FailOpen = true;
    Link.Getdata("TCurrentform", 10);
    EXPECT_EQ(Listener.Statuses, (std::vector<std::string>{"Cant open port-Port Set Exception", "Cant Open Port",
                                                           "Comm Fail"}));
    EXPECT_EQ(Listener.Beeps, 3);  // two from the port, one for the read
    EXPECT_EQ(Listener.Count("cleargraph"), 1);
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(InGetdata);
    EXPECT_EQ(Port.ArmedTriggers(), 0u);
}

TEST_F(Reads, At9600ACurrentDataReadFetchesBothPagesThenAsksForTheLog) {
    Listener.Baud = 3;
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(CurrentStringLoaded);
    EXPECT_TRUE(LogWritePending);
    EXPECT_FALSE(ChainFlag);
    EXPECT_EQ(Listener.Count("labelupdate"), 2);
    for (int a : KindAddresses(3)) EXPECT_EQ(RegImage[a], Sim.Memory()[a]);
}

TEST_F(Reads, AFailedFirstPageIsNotLoggedAndFetchesNoSecondPage) {
    Listener.Baud = 3;
    LoggingRead = true;
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunRead(3));
    EXPECT_FALSE(CurrentStringLoaded);
    EXPECT_FALSE(LogWritePending);
    EXPECT_FALSE(LoggingRead);
    EXPECT_FALSE(ChainFlag);
    EXPECT_EQ(Listener.Count("getcurrent"), 0);
}

TEST_F(Reads, DayPointerOutsideTheRingEndsTheHistoryRead) {
    // A day pointer that names no day fails the read as a bad line does: "Comm Fail" and three
    // beeps, no internal error raised, and no request for an address it would point to.
    Sim.Memory()[301] = 40;
    Link.Getdata("Tgraphform", 10);
    EXPECT_NO_THROW(Port.RunUntil([] { return !CommBusy; }, 5000));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_TRUE(HasDebug("day pointer outside the history: 40"));
    for (int a : ReadsHeard()) EXPECT_LT(a, FirstDayRecordAddress) << "a day record was asked for";
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(HistoryLoaded);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    Sim.Memory()[301] = 3;
    ASSERT_TRUE(RunRead(10));
    EXPECT_TRUE(HistoryLoaded);
}

// ---- single commands ---------------------------------------------------------------------------

namespace {
class SingleCommand : public SimLinkTest {
protected:
    void Send(int index, int address, int data) {
        Listener.Command = index;
        DataKind = 1;
        SingleCommandUnlock = UnlockPending = (index == 3);
        Port.IsOpen = true;
        Link.sendcommand(index, address, data, UnlockPending);
        Port.RunUntil([this] { return Idle(); }, 2000);
    }
};
}  // namespace

TEST_F(SingleCommand, ReadShowsTheReply) {
    Sim.Memory()[17] = 0xAB;
    Send(0, 17, 0);
    EXPECT_EQ(Listener.ReplyCaption, "Reply:");
    EXPECT_EQ(Listener.ReplyText, "171");
    Listener.Hex = true;
    Send(1, 4, 0);
    EXPECT_EQ(Listener.ReplyText, std::to_string(Sim.Memory()[260]) + " 0x" + IntToHex(Sim.Memory()[260], 2));
    EXPECT_EQ(Listener.Beeps, 0);
}

TEST_F(SingleCommand, RamWriteEndsAsACompletedWrite) {
    Send(2, 40, 99);
    EXPECT_EQ(Sim.Memory()[40], 99);
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_NE(Listener.Statuses.back(), "Timeout");
    EXPECT_EQ(Listener.ReplyText, "");
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_EQ(Sim.Log().size(), 1u);
}

TEST_F(SingleCommand, EepromWriteGoesBehindTheUnlock) {
    Send(3, 30, 123);
    ASSERT_EQ(Sim.Log().size(), 2u);
    EXPECT_EQ(Sim.Log()[0].bytes, (std::vector<std::uint8_t>{0x98, UnlockRamAddress, UnlockData, 0x67}));
    EXPECT_EQ(Sim.Log()[1].bytes, (std::vector<std::uint8_t>{0xCA, 30, 123, 0x35}));
    EXPECT_EQ(Sim.Memory()[286], 123);
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_FALSE(CommBusy);
}

TEST_F(SingleCommand, NoReplyFailsAfterTheFirstSend) {
    Sim.GetFaults().silence = sim::Always;
    Send(0, 17, 0);
    EXPECT_EQ(Sim.Log().size(), 1u);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_FALSE(CommBusy);
}

TEST_F(SingleCommand, ErrorCodesAndLoopbackReplies) {
    Port.IsOpen = true;
    Listener.Command = 4;
    DataKind = 1;
    Port.OnSend = nullptr;  // answer by hand
    Link.sendcommand(4, 5, 6, false);
    Port.Receive({245});
    Port.Advance(2);
    EXPECT_EQ(Listener.ReplyCaption, "Error");
    EXPECT_EQ(Listener.ReplyText, "5");
    EXPECT_TRUE(HasDebug("Loopback reply"));
    Listener.Hex = true;
    Link.sendcommand(4, 5, 6, false);
    Port.Receive({252});
    Port.Advance(2);
    EXPECT_EQ(Listener.ReplyText, "12 (0x0C)");
}

// ---- accessory block ---------------------------------------------------------------------------

TEST_F(Reads, AccessoryWriteSendsBytesTwentyDownToEightAndBlocksReads) {
    Sim.SetEepromPolicy(sim::EepromPolicy::Open);  // the accessory needs no unlock
    for (int i = 0; i < 22; ++i) xaldata[i] = static_cast<std::uint8_t>(100 + i);
    const auto untouched = Sim.Memory()[256 + 7];
    Listener.Baud = 2;
    ASSERT_TRUE(Link.startxalwrite());
    Port.Advance(9);
    Link.Getdata("Txalform", 11);  // must not interleave with the write
    EXPECT_FALSE(Link.startxalwrite());
    ASSERT_TRUE(RunWrite());
    ASSERT_EQ(Sim.Log().size(), 13u);
    const auto times = TimesHeard();
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(Sim.Log()[i].command, 0xCA);
        EXPECT_EQ(Sim.Log()[i].address, 20 - i);
        if (i > 0) {
            EXPECT_EQ(times[i] - times[i - 1], 8u);
        }
    }
    for (int i = 8; i <= 20; ++i) EXPECT_EQ(Sim.Memory()[256 + i], 100 + i);
    EXPECT_EQ(Sim.Memory()[256 + 7], untouched);
    EXPECT_EQ(Listener.Count("xal done Checksum"), 1);
    EXPECT_EQ(Listener.Statuses.back(), "");
    EXPECT_TRUE(HasDebug("timerh xal completed"));
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    ASSERT_TRUE(RunRead(11));
    EXPECT_EQ(xaldata[20], 120);
}

TEST_F(Reads, WatchdogReleasesAStuckRequest) {
    Port.IsOpen = true;
    Link.sendcommand(20, 5, 0, false);
    Port.FailRemove = false;
    // The port stops firing (for instance the line went away).
    Port.IsOpen = false;
    for (int s = 0; s < 10; ++s) {
        Link.BusyWatchdogTick();
        EXPECT_TRUE(CommBusy) << s;
    }
    Link.BusyWatchdogTick();
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(RequestTriggerAdded);
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
}
