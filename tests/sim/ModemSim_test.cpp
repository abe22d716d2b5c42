// The simulated modem: result codes, dialling and carrier, the escape guard times, hang-up and
// the data passed to and from the regulator behind it.
#include <gtest/gtest.h>

#include "ModemSim.h"

using namespace talvik::sim;

namespace {

std::string Text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A modem online with a regulator behind it, connected at time 5000.
struct Online {
    RegulatorSim Reg;
    ModemSim Modem{&Reg};
    Online() {
        Modem.Feed("ATDT123\r\n", 0);
        Modem.Drain(5000);
    }
};

}  // namespace

TEST(ModemSimCommands, AtLinesAnswerOkAndAreRecorded) {
    ModemSim m(nullptr);
    m.Feed("AT&K0&Q0&D0\r\n", 0);
    EXPECT_EQ(Text(m.Drain(0)), "\r\nOK\r\n");
    m.Feed("hello\r", 10);  // no AT: ignored
    EXPECT_EQ(Text(m.Drain(10)), "");
    ASSERT_EQ(m.Commands().size(), 2u);
    EXPECT_EQ(m.Commands()[1], "hello");
    EXPECT_EQ(m.Commands()[0], "AT&K0&Q0&D0");
    m.Feed("+++ATI\r", 15);  // leading noise skipped
    EXPECT_EQ(Text(m.Drain(15)), "\r\nOK\r\n");
    m.Feed("ATO\r", 20);  // no call to go back to
    EXPECT_EQ(Text(m.Drain(20)), "\r\nNO CARRIER\r\n");
}

TEST(ModemSimDial, CarrierRisesOnlyAfterTheDialTime) {
    ModemSim m(nullptr);
    m.Feed("ATDP5551234\r\n", 100);
    EXPECT_EQ(m.Dialled(), "5551234");
    EXPECT_TRUE(m.PulseDialled());
    EXPECT_EQ(Text(m.Drain(5099)), "");
    EXPECT_FALSE(m.Dcd());
    EXPECT_EQ(Text(m.Drain(5100)), "\r\nCONNECT 2400\r\n");
    EXPECT_TRUE(m.Dcd());
    EXPECT_EQ(m.State(), ModemSim::Mode::Online);
}

TEST(ModemSimDial, UnansweredOrAbortedDialGivesNoCarrier) {
    ModemSim m(nullptr);
    m.Answers = false;
    m.Feed("ATDT1\r", 0);
    EXPECT_EQ(Text(m.Drain(6000)), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(m.Dcd());
    ModemSim k(nullptr);
    k.Feed("ATDT1\r", 0);
    k.Feed('x', 100);
    EXPECT_EQ(Text(k.Drain(9000)), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(k.Dcd());
}

TEST(ModemSimOnline, DataPassesBothWays) {
    Online o;
    o.Reg.Memory()[5] = 0x3C;
    const std::string frame{0x14, 0x05, 0x00, static_cast<char>(0xEB)};
    o.Modem.Feed(frame, 6000);
    EXPECT_EQ(o.Modem.Drain(7000), (std::vector<std::uint8_t>{200, 0x3C}));
    EXPECT_EQ(o.Modem.BytesPassed(), 4u);
}

TEST(ModemSimEscape, NeedsSilenceBeforeAndAfter) {
    Online o;
    // Without the guard before, "+++" is only data.
    o.Modem.Feed('x', 6000);
    o.Modem.Feed("+++", 6100);
    o.Modem.Drain(9000);
    EXPECT_EQ(o.Modem.State(), ModemSim::Mode::Online);
    // A byte inside the guard after cancels it.
    o.Modem.Feed("+++", 11000);
    o.Modem.Feed('y', 11500);
    o.Modem.Drain(14000);
    EXPECT_EQ(o.Modem.State(), ModemSim::Mode::Online);
    // Guarded on both sides: command mode, carrier still up.
    o.Modem.Feed("+++", 16000);
    EXPECT_EQ(Text(o.Modem.Drain(16999)), "");
    EXPECT_EQ(Text(o.Modem.Drain(17000)), "\r\nOK\r\n");
    EXPECT_EQ(o.Modem.State(), ModemSim::Mode::Command);
    EXPECT_TRUE(o.Modem.Dcd());
    // Back online, then escape again and hang up.
    o.Modem.Feed("ATO\r", 17100);
    EXPECT_EQ(Text(o.Modem.Drain(17100)), "\r\nCONNECT\r\n");
    o.Modem.Feed("+++", 19000);
    o.Modem.Drain(20000);
    o.Modem.Feed("ATH0\r\n", 20100);
    EXPECT_EQ(Text(o.Modem.Drain(20100)), "\r\nOK\r\n");
    EXPECT_FALSE(o.Modem.Dcd());
}

TEST(ModemSimOnline, FarEndHangingUpDropsCarrier) {
    Online o;
    o.Modem.DropCarrier();
    EXPECT_FALSE(o.Modem.Dcd());
    EXPECT_EQ(Text(o.Modem.Drain(6000)), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(o.Modem.State(), ModemSim::Mode::Command);
}
