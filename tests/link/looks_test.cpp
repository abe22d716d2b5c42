// When the link takes a reply: every read, of every kind, direct and by site, at every line speed
// of the baud list, against the in-process regulator on a line that keeps the speed's byte times.
// The clock is the test's, so there is no margin: a single reply that was complete before one of
// the link's looks and not taken at that look fails, named by its read, address and looks.
#include <tuple>

#include "PacedLine.h"
#include "SimFixture.h"
#include "link/qvEquates.h"

using namespace talvik;
using namespace talvik::test;

namespace {

constexpr std::uint8_t kSite = 17;

// (index into the baud list, site mode)
class ReplyLooks : public SimLinkTest, public ::testing::WithParamInterface<std::tuple<int, bool>> {
protected:
    void SetUp() override {
        SimLinkTest::SetUp();
        Listener.Baud = std::get<0>(GetParam());
        if (std::get<1>(GetParam())) {
            SiteMode = true;
            Listener.Site = kSite;
            Sim.SetSite(kSite);
        }
    }
    std::string Line() const {
        return (std::get<1>(GetParam()) ? "site " + std::to_string(kSite) : std::string("direct")) + " at " +
               std::to_string(BaudRates.at(static_cast<std::size_t>(Listener.Baud))) + " baud";
    }
    void Judge(PacedLine& line, std::size_t from, const std::string& read, int atLeast) {
        const PacedLine::Takes takes = line.Judge(from);
        EXPECT_GE(takes.replies, atLeast) << read << ", " << Line() << ": replies judged";
        for (std::size_t k = 0; k < takes.late.size() && k < 3; ++k)
            ADD_FAILURE() << read << ", " << Line() << ": " << takes.late[k];
        if (takes.late.size() > 3)
            ADD_FAILURE() << read << ", " << Line() << ": " << takes.late.size() - 3 << " more of "
                          << takes.replies << " replies not taken at the first look after they were complete";
    }
};

}  // namespace

TEST_P(ReplyLooks, EveryReplyIsTakenAtTheFirstLookAfterItIsComplete) {
    PacedLine line(Port, Sim, static_cast<std::uint32_t>(BaudRates.at(static_cast<std::size_t>(Listener.Baud))));
    for (int kind = 2; kind <= 11; ++kind) {
        const std::size_t from = line.FramesSent();
        ASSERT_TRUE(RunRead(kind)) << "kind " << kind << " hangs, " << Line();
        EXPECT_EQ(Listener.Beeps, 0) << "kind " << kind << " failed, " << Line() << ": "
                                     << (Listener.Statuses.empty() ? "" : Listener.Statuses.back());
        // Each address on two agreeing replies (kind 2 at 9600 baud reads the second page too).
        Judge(line, from, "read of kind " + std::to_string(kind), 2 * KindCount(kind));
    }
    // The single-command panel's reads, RAM and EEPROM.
    for (int command : {0, 1}) {
        const std::size_t from = line.FramesSent();
        Listener.Command = command;
        DataKind = 1;
        Link.sendcommand(command, 21, 0, false);
        ASSERT_TRUE(Port.RunUntil([this] { return Idle(); }, 2000));
        Judge(line, from, "single command " + std::to_string(command), 1);
    }
    EXPECT_EQ(Listener.Beeps, 0);
}

INSTANTIATE_TEST_SUITE_P(EverySpeedDirectAndBySite, ReplyLooks,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(BaudRates.size())), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& p) {
                             return std::to_string(BaudRates.at(static_cast<std::size_t>(std::get<0>(p.param)))) +
                                    (std::get<1>(p.param) ? "BySite" : "Direct");
                         });
