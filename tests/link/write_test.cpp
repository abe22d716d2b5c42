// Setting writes, bulk programming and history test and clear against the simulated regulator.
#include <map>

#include "SimFixture.h"
#include "base/rtl.h"
#include "link/qvEquates.h"

using namespace talvik;
using namespace talvik::test;

namespace {

using Bytes8 = std::vector<std::uint8_t>;
Bytes8 Frame(int c, int a, int d) {
    return {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(d),
            static_cast<std::uint8_t>(0xFF ^ c)};
}
const Bytes8 Unlock = Frame(0x98, UnlockRamAddress, UnlockData);

class Writes : public SimLinkTest {
protected:
    // An EEPROM setting whose RAM copy lives at RamCopy, as the settings editor prepares it.
    void PrepareEepromSetting(int eeprom, int value, int ramCopy) {
        WriteAddress = eeprom;
        WriteValue = value;
        WriteNeedsUnlock = true;
        SendCount = 2;
        SendOneState = 2;
        SettingIndex = 10;
        SettingRamValue = ramCopy;
    }
};

}  // namespace

TEST_F(Writes, OneSettingGoesUnlockWriteReadBackThenItsRamCopy) {
    PrepareEepromSetting(44, 77, 94);
    ChangedFlags[300] = true;
    ChangedFlags[44] = true;
    ChangedFlags[94] = true;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    // The byte is read back twice, as a read byte is accepted on two equal replies.
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 44, 77), Frame(0x48, 44, 0), Frame(0x48, 44, 0),
                                                  Frame(0x98, 94, 77)}));
    const auto t = TimesHeard();
    // Short wait after the unlock, long wait after the write, the reply wait after each read-back.
    EXPECT_EQ(t[1] - t[0], 4u);
    EXPECT_EQ(t[2] - t[1], 11u);
    EXPECT_EQ(t[3] - t[2], 2u);
    EXPECT_EQ(t[4] - t[3], 2u);
    // Success shows only once the write is verified: never while it is still on its way.
    EXPECT_EQ(std::count(Listener.Statuses.begin(), Listener.Statuses.end(), "Data Received"), 1);
    EXPECT_NE(std::find(Listener.Statuses.begin(), Listener.Statuses.end(), "Sending Data"), Listener.Statuses.end());
    EXPECT_EQ(Sim.Memory()[300], 77);
    EXPECT_EQ(Sim.Memory()[94], 77);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
    EXPECT_EQ(Listener.Count("write ended"), 1);
    EXPECT_EQ(Listener.Count("grid Data Received"), 1);
    EXPECT_FALSE(ChangedFlags[300]);
    EXPECT_TRUE(ChangedFlags[44]);  // the RAM byte 44 is another setting
    EXPECT_FALSE(ChangedFlags[94]);
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_TRUE(HasDebug("sendcount:2 SendUnlock:True"));
    EXPECT_TRUE(HasDebug("SettingsSend set timer trigger to 0.21978021978022"));
}

TEST_F(Writes, CalibrationStepWritesFlagsFirstThenTheSetting) {
    WriteNeedsUnlock = true;
    SendCount = 4;
    WriteRamValue = 0x12;
    WriteAddress = 2;
    WriteValue = 0x34;
    WriteRamAddress = 215;
    SendOneState = 0;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 0, 0x12), Frame(0x48, 0, 0), Frame(0x48, 0, 0),
                                                  Frame(0x98, 33, 0x12), Unlock, Frame(0xCA, 2, 0x34), Frame(0x48, 2, 0),
                                                  Frame(0x48, 2, 0), Frame(0x98, 215, 0x34)}));
    EXPECT_EQ(Sim.Memory()[256], 0x12);
    EXPECT_EQ(Sim.Memory()[33], 0x12);
    EXPECT_EQ(Sim.Memory()[258], 0x34);
    EXPECT_EQ(Sim.Memory()[215], 0x34);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
}

TEST_F(Writes, OneWrongReadBackIsAskedAgainNotCountedAsAFailedWrite) {
    PrepareEepromSetting(20, 5, 70);
    Sim.GetFaults().badReadBack = 1;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    // Wrong, then right, then right again: two replies in a row agree on the value written.
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 20, 5), Frame(0x48, 20, 0), Frame(0x48, 20, 0),
                                                  Frame(0x48, 20, 0), Frame(0x98, 70, 5)}));
    EXPECT_FALSE(HasDebug("Retry"));
    EXPECT_EQ(RepeatCount, 0);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
}

TEST_F(Writes, AByteReadBackTwiceOtherThanWrittenIsRetriedOnceThenFails) {
    PrepareEepromSetting(20, 5, 70);
    Sim.GetFaults().badReadBack = sim::Always;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 20, 5), Frame(0x48, 20, 0), Frame(0x48, 20, 0),
                                                  Unlock, Frame(0xCA, 20, 5), Frame(0x48, 20, 0), Frame(0x48, 20, 0)}));
    EXPECT_TRUE(HasDebug("Retry"));
    EXPECT_TRUE(HasDebug("fail"));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Count("grid Comm Fail red"), 1);
    EXPECT_EQ(Listener.Count("write ended"), 1);
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    ASSERT_TRUE(RunRead(4));  // the link is ready again
    EXPECT_TRUE(KindLoaded[4]);
}

TEST_F(Writes, NoReadBackWithinSevenFiringsIsAFailedAttempt) {
    PrepareEepromSetting(20, 5, 70);
    Sim.GetFaults().silentAfterFrames = 2;  // takes the unlock and the write, then goes quiet
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(CountDebug("comm_state 11 in comm_state_9"), 2);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    const auto t = TimesHeard();
    ASSERT_EQ(t.size(), 6u);
    // The read-back is looked at seven times, two ticks apart, then the attempt counts as failed.
    EXPECT_EQ(t[3] - t[2], 7u * 2 + 11);
}

TEST_F(Writes, ReadBackSplitOverTwoFiringsIsAccepted) {
    PrepareEepromSetting(20, 5, 70);
    Sim.GetFaults().split = sim::Always;
    Sim.GetFaults().splitDelayMs = 100;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(FramesHeard().size(), 5u);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
}

TEST_F(Writes, AWriteLostOnTheLineIsNotVerifiedByOneGarbledReply) {
    // The write frame never reaches the regulator, and the line garbles the first read-back's
    // reply into the very value written. The second read-back tells the truth: the attempt
    // fails and the write goes out again.
    PrepareEepromSetting(20, 5, 70);
    Sim.Memory()[276] = 99;
    int writes = 0, readBacks = 0;
    Port.OnSend = [&](const std::string& s, std::uint64_t now) {
        const auto c = static_cast<std::uint8_t>(s[0]);
        if (c == 0xCA && ++writes == 1) return;  // lost
        if (c == 0x48 && ++readBacks == 1) {
            Port.Receive({200, 5});  // garbled into the written value
            return;
        }
        for (char b : s) Sim.Feed(static_cast<std::uint8_t>(b), now);
    };
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(writes, 2);
    EXPECT_TRUE(HasDebug("Retry"));
    EXPECT_EQ(Sim.Memory()[276], 5);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
}

TEST_F(Writes, EepromSettingWithSendCountOneEndsAfterTheParkedWrite) {
    PrepareEepromSetting(20, 9, 70);
    SendCount = 1;
    ASSERT_TRUE(Link.writesettingchecked());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 20, 9)}));
    EXPECT_EQ(Sim.Memory()[276], 9);
}

TEST_F(Writes, BadSettingsAreRefusedBeforeAnythingIsSent) {
    PrepareEepromSetting(256, 5, 70);
    EXPECT_THROW(Link.writesettingchecked(), EAssertionFailed);
    PrepareEepromSetting(20, -1, 70);
    try {
        Link.writesettingchecked();
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.what()).find("Fail: signed value setting"), std::string::npos);
    }
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_FALSE(WriteBusy);
}

TEST_F(Writes, ClosedPortIsReported) {
    Port.FailOpen = true;
    PrepareEepromSetting(20, 5, 70);
    EXPECT_FALSE(Link.writesettingchecked());
    EXPECT_EQ(Listener.Statuses.back(), "Port Not Open");
    DirectMode = false;
    Online = false;
    MarkImageLoaded();
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_EQ(Listener.Statuses.back(), "No connection");
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(SendAll);
    EXPECT_TRUE(Port.SentLog.empty());
}

TEST_F(Writes, BulkProgrammingWritesEepromThenRamAndTheRegulatorMatchesTheImage) {
    MarkImageLoaded();
    for (int a = 64; a <= 94; ++a) RegImage[a] = static_cast<std::uint8_t>(a * 7 + 3);
    int readsStarted = 0;
    Listener.OnTriggerUpdate = [&](std::int32_t) {
        if (!WriteBusy) return;
        Link.Getdata("Tsetform", 4);  // the editor asking mid-write must not get a read in
        readsStarted += CommBusy ? 1 : 0;
    };
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite(50000));
    Listener.OnTriggerUpdate = nullptr;
    EXPECT_EQ(readsStarted, 0);
    const auto frames = FramesHeard();
    ASSERT_EQ(frames.size(), 31u * 4 + 31 * 2);
    EXPECT_EQ(frames[0], Unlock);
    EXPECT_EQ(frames[1], Frame(0xCA, 44, RegImage[94]));
    EXPECT_EQ(frames[2], Frame(0x48, 44, 0));
    EXPECT_EQ(frames[3], Frame(0x48, 44, 0));
    EXPECT_EQ(frames[123], Frame(0x48, 14, 0));
    // Each RAM copy is read back once.
    EXPECT_EQ(frames[124], Frame(0x98, 94, RegImage[94]));
    EXPECT_EQ(frames[125], Frame(0x14, 94, 0));
    EXPECT_EQ(frames[184], Frame(0x98, 64, RegImage[64]));
    EXPECT_EQ(frames.back(), Frame(0x14, 64, 0));
    for (int a = 64; a <= 94; ++a) {
        EXPECT_EQ(Sim.Memory()[a - 50 + 256], RegImage[a]) << a;
        EXPECT_EQ(Sim.Memory()[a], RegImage[a]) << a;
    }
    EXPECT_EQ(Listener.Count("bulk ended"), 1);
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
    EXPECT_FALSE(SendAll);
    EXPECT_FALSE(WriteBusy);
    ASSERT_TRUE(RunRead(4));
}

TEST_F(Writes, BulkIntoASilentRegulatorAbortsWithinItsBudget) {
    MarkImageLoaded();
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(FramesHeard().size(), 6u);
    EXPECT_TRUE(HasDebug("Retry. Retry Count: 1"));
    EXPECT_TRUE(HasDebug("abort bulk load at 62 with 2 errors"));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Count("bulk ended"), 1);
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(Writes, BulkBudgetGrowsWithProgress) {
    // Verified for a while, then the regulator locks its EEPROM: at position 62 - 15 = 47
    // (k = 16) the budget allows log2(16) + 2 = 6 errors.
    MarkImageLoaded();
    Sim.GetFaults().silentAfterFrames = 15 * 4;
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite(50000));
    EXPECT_TRUE(HasDebug("abort bulk load at 47 with 6 errors"));
    EXPECT_TRUE(HasDebug("Retry. Retry Count: 5"));
}

TEST_F(Writes, ARamCopyLostOnTheLineIsSentAgainAndTheRunEndsWithEveryCopyInPlace) {
    MarkImageLoaded();
    for (int a = 64; a <= 94; ++a) RegImage[a] = static_cast<std::uint8_t>(Sim.Memory()[a] ^ 0x5A);
    // The line drops the first RAM write to 80 and the second one to 70.
    std::map<int, int> ramWrites;
    Port.OnSend = [&](const std::string& s, std::uint64_t now) {
        if (static_cast<std::uint8_t>(s[0]) == 0x98 && s[1] != static_cast<char>(UnlockRamAddress)) {
            const int n = ++ramWrites[static_cast<std::uint8_t>(s[1])];
            if ((s[1] == 80 && n == 1) || (s[1] == 70 && n <= 2)) return;
        }
        for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
    };
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite(50000));
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
    EXPECT_EQ(ramWrites[80], 2);
    EXPECT_EQ(ramWrites[70], 3);
    EXPECT_EQ(ramWrites[64], 1);
    EXPECT_EQ(RepeatCount, 3);
    for (int a = 64; a <= 94; ++a) EXPECT_EQ(Sim.Memory()[a], RegImage[a]) << a;
}

TEST_F(Writes, ARamCopyThatNeverTakesFailsTheRunOnceTheAllowanceIsSpent) {
    MarkImageLoaded();
    for (int a = 64; a <= 94; ++a) RegImage[a] = static_cast<std::uint8_t>(Sim.Memory()[a] ^ 0x5A);
    // Every RAM write to 75 is lost; the read-back of 77 answers garbage once.
    int garbled = 0;
    Port.OnSend = [&](const std::string& s, std::uint64_t now) {
        const auto c = static_cast<std::uint8_t>(s[0]);
        if (c == 0x98 && s[1] == 75) return;
        if (c == 0x14 && s[1] == 77 && garbled++ == 0) {
            Port.Receive({0x11, 0x22});
            return;
        }
        for (char ch : s) Sim.Feed(static_cast<std::uint8_t>(ch), now);
    };
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite(80000));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.Count("bulk ended"), 1);
    EXPECT_TRUE(HasDebug("abort bulk load at 12 with 21 errors"));
    // Positions before it were copied (77 after its garbled read-back), none after it was sent.
    for (int a = 76; a <= 94; ++a) EXPECT_EQ(Sim.Memory()[a], RegImage[a]) << a;
    for (const auto& f : FramesHeard()) EXPECT_FALSE(f[0] == 0x98 && f[1] < 75 && f[1] >= 64) << int(f[1]);
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(Writes, BulkAbortedByItsBudgetLeavesNoUnlockFrameWithoutItsWrite) {
    // Noise on the line after every unlock frame: each counts as an error, the writes still
    // verify, and the budget runs out as the seventh write (k = 7: log2(7) + 3) is due.
    MarkImageLoaded();
    Port.OnSend = [this](const std::string& s, std::uint64_t now) {
        for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
        if (static_cast<std::uint8_t>(s[0]) == 0x98 && static_cast<std::uint8_t>(s[1]) == UnlockRamAddress)
            Port.Receive({0x11});
    };
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(RunWrite(50000));
    EXPECT_TRUE(HasDebug("abort bulk load at 56 with 6 errors"));
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    const auto frames = FramesHeard();
    ASSERT_EQ(frames.size(), 6u * 4);
    // Every unlock frame is followed by its write; nothing follows the last verify.
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (frames[i] == Unlock) {
            ASSERT_TRUE(i + 1 < frames.size() && frames[i + 1][0] == 0xCA) << i;
        }
    EXPECT_EQ(frames.back(), Frame(0x48, 39, 0));
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(Writes, StoppingABulkWriteAfterAnUnlockFrameSendsItsWriteAndNothingMore) {
    MarkImageLoaded();
    ASSERT_TRUE(Link.startbulkload());
    // Let it run until an unlock frame of a later position has just gone out.
    ASSERT_TRUE(Port.RunUntil([this] { return UnlockPending && SendCount == 60; }, 2000));
    const std::size_t before = Port.SentLog.size();
    EXPECT_TRUE(Link.StopTransfer());
    ASSERT_EQ(Port.SentLog.size(), before + 1);
    EXPECT_EQ(Port.SentLog.back().Bytes, Bytes({0xCA, 60 - 18, RegImage[92], 0x35}));
    Port.Advance(200);
    EXPECT_EQ(Port.SentLog.size(), before + 1);
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(SendAll);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_EQ(Listener.Count("bulk ended"), 1);
    // Stopped between frames (a read-back pending), nothing at all goes out.
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(Port.RunUntil([] { return comm_state == 9; }, 2000));
    const std::size_t mid = Port.SentLog.size();
    EXPECT_FALSE(Link.StopTransfer());
    Port.Advance(200);
    EXPECT_EQ(Port.SentLog.size(), mid);
}

TEST_F(Writes, WatchdogEndingAWriteAfterAnUnlockFrameSendsItsWriteAndNothingMore) {
    MarkImageLoaded();
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(Port.RunUntil([this] { return UnlockPending && SendCount == 59; }, 2000));
    // The port's timer stops delivering: the write gets no further until the watchdog ends it.
    const std::size_t before = Port.SentLog.size();
    for (int s = 0; s < 11; ++s) Link.BusyWatchdogTick();
    ASSERT_EQ(Port.SentLog.size(), before + 1);
    EXPECT_EQ(Port.SentLog.back().Bytes, Bytes({0xCA, 59 - 18, RegImage[91], 0x35}));
    Port.Advance(200);
    EXPECT_EQ(Port.SentLog.size(), before + 1);
    EXPECT_EQ(Sim.Memory()[256 + 59 - 18], RegImage[91]);
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_TRUE(HasDebug("busy watchdog released the link"));
}

TEST_F(Writes, APortFailureOnTheParkedWriteTriesItOnceMore) {
    PrepareEepromSetting(20, 6, 70);
    ASSERT_TRUE(Link.writesettingchecked());
    Port.FailPutStrings = 1;  // the parked write's send fails
    EXPECT_ANY_THROW(Port.Advance(10));
    const auto frames = FramesHeard();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], Unlock);
    EXPECT_EQ(frames[1], Frame(0xCA, 20, 6));
    EXPECT_EQ(Sim.Memory()[276], 6);
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(UnlockPending);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(Writes, ADeviceLostDuringABulkWriteEndsItQuietlyAndTheNextWriteReopensThePort) {
    MarkImageLoaded();
    for (int a = 64; a <= 94; ++a) RegImage[a] = static_cast<std::uint8_t>(Sim.Memory()[a] ^ 0x33);
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(Port.RunUntil([] { return SendCount < 50; }, 20000));
    const std::size_t opens = Port.OpenedNumbers.size();
    Port.DeviceLost = true;
    // The next step's send meets the dead device: the run ends, nothing is raised to the
    // program's error display, and the reason is in the status bar.
    EXPECT_NO_THROW(Port.RunUntil([] { return !WriteBusy; }, 200));
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(SendAll);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_EQ(Listener.Statuses.back(), "Device read error");
    EXPECT_EQ(Listener.Count("bulk ended"), 1);
    // The port still counts as open; the next run reopens it and programs everything.
    ASSERT_TRUE(Port.IsOpen);
    Sim.ResetLine();
    ASSERT_TRUE(Link.startbulkload());
    EXPECT_EQ(Port.OpenedNumbers.size(), opens + 1);
    ASSERT_TRUE(RunWrite(50000));
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
    for (int a = 64; a <= 94; ++a) {
        EXPECT_EQ(Sim.Memory()[a + 206], RegImage[a]) << a;
        EXPECT_EQ(Sim.Memory()[a], RegImage[a]) << a;
    }
    // A port whose device is well is not reopened for a write.
    ASSERT_TRUE(Link.startbulkload());
    EXPECT_EQ(Port.OpenedNumbers.size(), opens + 1);
    ASSERT_TRUE(RunWrite(50000));
}

TEST_F(Writes, OtherFailuresOfAWriteStepStillReachTheErrorDisplay) {
    MarkImageLoaded();
    ASSERT_TRUE(Link.startbulkload());
    Port.DeviceErrorCode = -3006;
    EXPECT_THROW(Port.RunUntil([] { return !WriteBusy; }, 200), Exception);
    Port.DeviceErrorCode = 0;
    EXPECT_FALSE(WriteBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
}

TEST_F(Writes, ProgrammingAllNeedsEveryGroupReadFromTheRegulatorAddressed) {
    // Nothing read: refused, and nothing on the wire.
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_FALSE(WriteBusy);
    EXPECT_FALSE(SendAll);
    // Four groups are not enough: group 8 holds addresses 64..68 of the list.
    for (int kind = 4; kind <= 7; ++kind) ASSERT_TRUE(RunRead(kind));
    const std::size_t afterReads = Port.SentLog.size();
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_EQ(Port.SentLog.size(), afterReads);
    ASSERT_TRUE(RunRead(8));
    EXPECT_TRUE(Link.SettingListReady());
}

TEST_F(Writes, AnotherSiteMakesEveryGroupNotLoadedUntilReadAgain) {
    Sim.SetSite(17);
    SiteMode = true;
    Listener.Site = 17;
    for (int kind = 4; kind <= 9; ++kind) ASSERT_TRUE(RunRead(kind));
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(Link.SettingListReady());
    EXPECT_EQ(Listener.Count("invalidated"), 0);

    // The site spinner moved: the settings of site 17 are not those of site 18.
    Listener.Site = 18;
    Port.SentLog.clear();
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_EQ(Listener.Count("invalidated"), 1);
    for (int kind = 4; kind <= 8; ++kind) EXPECT_FALSE(KindLoaded[kind]) << kind;
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_FALSE(CurrentLoaded);

    // Back on site 17 the groups must be read again: they may have changed meanwhile.
    Listener.Site = 17;
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_EQ(Listener.Count("invalidated"), 2);
    for (int kind = 4; kind <= 8; ++kind) ASSERT_TRUE(RunRead(kind));
    EXPECT_TRUE(Link.SettingListReady());

    // Single and site mode address different regulators too; a handler may report the change.
    SiteMode = false;
    Link.RegulatorChanged();
    EXPECT_EQ(Listener.Count("invalidated"), 3);
    EXPECT_FALSE(Link.SettingListReady());
}

TEST_F(Writes, ALoadedImageCountsAsReadForTheRegulatorAddressed) {
    MarkImageLoaded();
    EXPECT_TRUE(Link.SettingListReady());
    Listener.Site = 5;  // outside site mode the site number addresses nothing
    EXPECT_TRUE(Link.SettingListReady());
    SiteMode = true;
    EXPECT_FALSE(Link.SettingListReady());
}

// ---- history test and clear ----------------------------------------------------------------------

TEST(HistoryPattern, ExpectedValues) {
    EXPECT_EQ(historyvalue(7, false), 1);
    EXPECT_EQ(historyvalue(5, false), 164);
    EXPECT_EQ(historyvalue(1, false), 150);
    EXPECT_EQ(historyvalue(3, false), 104);
    EXPECT_EQ(historyvalue(4, false), 100);
    EXPECT_EQ(historyvalue(6 + 7 * 11, false), 588 % 256);
    EXPECT_EQ(historyvalue(7 + 7 * 11, false), 1 + 16 * 2);
    EXPECT_EQ(historyvalue(210, false), (401 / 256) + 16 * (301 / 256));
    EXPECT_EQ(historyvalue(1, true), 0);
    EXPECT_EQ(historyvalue(2, true), 255);
    EXPECT_EQ(historyvalue(210, true), 255);
    // The day pointer keeps a valid day in both modes.
    EXPECT_EQ(historyvalue(211, true), 0);
    EXPECT_EQ(historyvalue(211, false), 0);
    EXPECT_THROW(historyvalue(212, false), ERangeError);
    EXPECT_THROW(historyvalue(0, true), ERangeError);
}

namespace {
class History : public SimLinkTest {
protected:
    bool RunHistory(bool clear, std::uint64_t maxTicks = 100000) {
        Port.IsOpen = true;
        if (!Link.starthistoryrun(clear)) return false;
        return Port.RunUntil([this] { return Idle(); }, maxTicks);
    }
    std::set<int> EepromWritesTo() const {
        std::set<int> s;
        for (const auto& e : Sim.Log())
            if (e.command == sim::cmd::EepromWrite && e.accepted) s.insert(e.imageAddress);
        return s;
    }
};
}  // namespace

TEST_F(History, ClearLeavesTheClearPatternAndAValidDayPointer) {
    ASSERT_TRUE(RunHistory(true));
    EXPECT_EQ(Sim.Memory()[301], 0);
    EXPECT_EQ(Sim.Memory()[302], 0);
    for (int a = 303; a <= 511; ++a) ASSERT_EQ(Sim.Memory()[a], 255) << a;
    EXPECT_FALSE(HistLoadMode);
    EXPECT_FALSE(HistClearMode);
    EXPECT_EQ(comm_state, 0);
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_TRUE(HasDebug("Finish"));
    // The next history read works.
    ASSERT_TRUE(RunRead(10));
    EXPECT_TRUE(HistoryLoaded);
    EXPECT_EQ(RegImage[302], 0);
    EXPECT_EQ(RegImage[511], 255);
}

TEST_F(History, TestRewritesOnlyTheBytesThatDiffer) {
    for (int n = 1; n <= 210; n += 2) Sim.Memory()[301 + n] = historyvalue(n, false);
    ASSERT_TRUE(RunHistory(false));
    for (int n = 1; n <= 210; ++n) ASSERT_EQ(Sim.Memory()[301 + n], historyvalue(n, false)) << n;
    EXPECT_EQ(Sim.Memory()[301], 0);
    const auto written = EepromWritesTo();
    for (int n = 1; n <= 210; n += 2) EXPECT_EQ(written.count(301 + n), 0u) << n;
    ASSERT_TRUE(RunRead(10));
    EXPECT_TRUE(HistoryLoaded);
    EXPECT_EQ(RegImage[302], 150);
}

TEST_F(History, SilentRegulatorEndsTheRunAndLeavesHistoryMode) {
    Sim.GetFaults().silence = sim::Always;
    ASSERT_TRUE(RunHistory(true, 5000));
    EXPECT_FALSE(HistLoadMode);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_EQ(Listener.Statuses.back(), "Comm Fail");
    EXPECT_EQ(Listener.ReplyText, "Error");
    EXPECT_EQ(Port.LiveTriggers(), 0u);
    Sim.GetFaults().silence = 0;
    ASSERT_TRUE(RunRead(2));  // read by the read handler, not the history handler
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(EepromWritesTo().empty());
}

TEST_F(History, LockedRegulatorEndsTheRunInsteadOfRewritingForever) {
    Sim.SetEepromPolicy(sim::EepromPolicy::Refuse);
    ASSERT_TRUE(RunHistory(false, 5000));
    EXPECT_FALSE(HistLoadMode);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_TRUE(HasDebug("history run failed at position 211"));
}

TEST_F(History, WatchdogEndsAHistoryRunWhoseTriggerStopped) {
    Port.IsOpen = true;
    ASSERT_TRUE(Link.starthistoryrun(true));
    Port.IsOpen = false;  // no more firings
    for (int s = 0; s < 11; ++s) Link.BusyWatchdogTick();
    EXPECT_FALSE(HistLoadMode);
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(RequestTriggerAdded);
    ASSERT_TRUE(RunRead(2));
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_TRUE(EepromWritesTo().empty());
}

TEST_F(History, StoppedRightAfterAnUnlockFrameTheRunSendsItsWriteAndNothingMore) {
    Port.IsOpen = true;
    ASSERT_TRUE(Link.starthistoryrun(false));
    // A byte that differs is being rewritten: its unlock frame has just gone out.
    ASSERT_TRUE(Port.RunUntil([] { return UnlockPending && ReadNum < 205; }, 20000));
    const Bytes8 parked = Frame(0xCA, ParkedAddress, ParkedData);
    EXPECT_TRUE(Link.EepromTransferRunning());
    EXPECT_TRUE(Link.StopTransfer());
    Port.Advance(200);
    const auto frames = FramesHeard();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2], Unlock);
    EXPECT_EQ(frames.back(), parked);
    EXPECT_FALSE(HistLoadMode);
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(Link.EepromTransferRunning());
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(History, PortFailureOnTheParkedWriteTriesItOnceMore) {
    Port.IsOpen = true;
    ASSERT_TRUE(Link.starthistoryrun(true));
    Port.FailPutStrings = 1;
    EXPECT_ANY_THROW(Port.Advance(5));
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 45, 0)}));
    EXPECT_FALSE(HistLoadMode);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(Port.LiveTriggers(), 0u);
}

TEST_F(History, StartFrameUnlocksAndParksTheDayPointerWrite) {
    Port.IsOpen = true;
    Sim.Memory()[301] = 7;
    ASSERT_TRUE(Link.starthistoryrun(false));
    Port.Advance(2);
    EXPECT_EQ(FramesHeard(), (std::vector<Bytes8>{Unlock, Frame(0xCA, 45, 0)}));
    EXPECT_EQ(Sim.Memory()[301], 0);
    EXPECT_FALSE(Link.starthistoryrun(false));  // busy
}

TEST_F(Writes, ATransferKeepsTheSiteFormatAndLineItStartedWith) {
    Sim.SetSite(17);
    SiteMode = true;
    Listener.Site = 17;
    MarkImageLoaded();
    for (int a = 64; a <= 94; ++a) RegImage[static_cast<std::size_t>(a)] = Sim.Memory()[static_cast<std::size_t>(a)];
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(Port.RunUntil([] { return SendCount < 55; }, 20000));
    // The windows move to site 18 and to single mode half-way: the run's frames do not follow.
    Listener.Site = 18;
    SiteMode = false;
    ASSERT_TRUE(RunWrite());
    EXPECT_EQ(Listener.Statuses.back(), "Data Received");
    for (const auto& f : FramesHeard()) {
        ASSERT_EQ(f.size(), 5u);
        EXPECT_EQ(f[0], 17);
    }
    EXPECT_EQ(FramesHeard().size(), 31u * 4 + 31 * 2);

    // A read whose line changes speed under it sends nothing more and ends.
    SiteMode = true;
    Listener.Site = 17;
    Link.Getdata("Tsetform", 5);
    ASSERT_TRUE(Port.RunUntil([] { return ReadNum < 8; }, 20000));
    const std::size_t heard = FramesHeard().size();
    Port.SetBaud(1200);
    EXPECT_THROW(Port.RunUntil([this] { return Idle(); }, 2000), Exception);
    Port.RunUntil([this] { return Idle(); }, 200);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(FramesHeard().size(), heard);
    EXPECT_FALSE(KindLoaded[5]);
}

TEST_F(Writes, ThePortAndTheCallAreTheRegulatorAddressedAsMuchAsTheSite) {
    DirectMode = true;
    DirectPortNumber = 2;
    for (int kind = 4; kind <= 8; ++kind) ASSERT_TRUE(RunRead(kind));
    EXPECT_TRUE(Link.SettingListReady());
    // Another port number: another regulator.
    DirectPortNumber = 3;
    Port.SentLog.clear();
    EXPECT_FALSE(Link.startbulkload());
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_EQ(Listener.Count("invalidated"), 1);
    for (int kind = 4; kind <= 8; ++kind) ASSERT_TRUE(RunRead(kind));
    EXPECT_TRUE(Link.SettingListReady());
    // A call reaches the station dialled, not the direct line; another number another station.
    DirectMode = false;
    DialledNumber = "5551234";
    EXPECT_FALSE(Link.SettingListReady());
    EXPECT_EQ(Listener.Count("invalidated"), 2);
    MarkImageLoaded();
    EXPECT_TRUE(Link.SettingListReady());
    DialledNumber = "5559876";
    EXPECT_FALSE(Link.SettingListReady());
    EXPECT_EQ(Listener.Count("invalidated"), 3);
}

// ---- programming over a noisy line ---------------------------------------------------------------

namespace {
class NoisyLine : public SimLinkTest {};
}  // namespace

TEST_F(NoisyLine, ProgrammingAllSucceedsAsOftenAsWithOneReadBackAndNeverFalsely) {
    int ok = 0, runs = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        Sim.GetFaults().badReplyPercent = 15;
        Sim.GetFaults().lostWritePercent = 5;
        Sim.GetFaults().randomSeed = seed;
        std::mt19937 rng(seed);
        for (int a = 64; a <= 94; ++a) RegImage[a] = static_cast<std::uint8_t>(rng() % 256);
        MarkImageLoaded();
        Listener.Statuses.clear();
        ASSERT_TRUE(Link.startbulkload());
        ASSERT_TRUE(RunWrite(200000));
        ++runs;
        const bool success = Listener.Statuses.back() == "Data Received";

        // Both copies: the EEPROM home and the working copy in RAM.
        bool matches = true;
        for (int a = 64; a <= 94; ++a)
            matches = matches && Sim.Memory()[a + 206] == RegImage[a] && Sim.Memory()[a] == RegImage[a];
        if (success) {
            ++ok;
            EXPECT_TRUE(matches) << "seed " << seed;
        }
    }
    // With one read-back a line like this programmed about one run in four here (9 of 40); a
    // garbled reply now only asks again, and the allowance counts failed attempts. The line
    // loses unlock frames and RAM copies as well as EEPROM writes, and each RAM copy is read
    // back: 33 of these 40 seeds program everything.
    EXPECT_GE(ok, 30) << ok << " of " << runs;
}

TEST_F(NoisyLine, OneFailedAttemptCountsOnceAgainstTheAllowance) {
    // Noise after the unlock frame and a write that did not take, in the same attempt: one error.
    MarkImageLoaded();
    RegImage[94] = static_cast<std::uint8_t>(Sim.Memory()[300] ^ 1);
    int unlocks = 0;
    Port.OnSend = [&](const std::string& s, std::uint64_t now) {
        const bool unlock = static_cast<std::uint8_t>(s[0]) == 0x98 && static_cast<std::uint8_t>(s[1]) == UnlockRamAddress;
        if (unlock) ++unlocks;
        if (static_cast<std::uint8_t>(s[0]) == 0xCA && unlocks == 1) return;  // the first write is lost
        for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
        if (unlock && unlocks == 1) Port.Receive({0x11});
    };
    ASSERT_TRUE(Link.startbulkload());
    ASSERT_TRUE(Port.RunUntil([] { return SendCount == 61; }, 5000));
    EXPECT_EQ(RepeatCount, 1);
    EXPECT_TRUE(HasDebug("Retry. Retry Count: 1"));
    EXPECT_EQ(Sim.Memory()[300], RegImage[94]);
}
