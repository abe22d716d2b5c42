// Link tests against the in-process regulator simulator: the port double carries the frames to
// the simulator and delivers its replies tick by tick.
#pragma once

#include <random>
#include <set>

#include "LinkFixture.h"
#include "RegulatorSim.h"

namespace talvik::test {

class SimLinkTest : public LinkTest {
protected:
    sim::RegulatorSim Sim;

    void SetUp() override {
        LinkTest::SetUp();
        Port.OnSend = [this](const std::string& s, std::uint64_t now) {
            for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
        };
        Port.OnTick = [this](std::uint64_t now) { Port.Receive(Sim.Drain(now)); };
        // The current-data window asks for the other page when the link tells it to.
        Listener.OnCall = [this](const std::string& c) {
            if (c == "getCurrentString") Link.Getdata("TCurrentform", 3);
            if (c == "getcurrent") Link.Getdata("TCurrentform", 2);
        };
        std::mt19937 rng(1234);
        for (auto& b : Sim.Memory()) b = static_cast<std::uint8_t>(rng() % 256);
        Sim.Memory()[301] = 11;  // a valid day pointer
        StartupPending = false;
    }

    bool Idle() const { return !CommBusy && !RequestTriggerAdded && !HistLoadMode; }
    bool RunRead(std::int32_t Kind, std::uint64_t MaxTicks = 20000) {
        Link.Getdata("TCurrentform", Kind);
        return Port.RunUntil([this] { return Idle(); }, MaxTicks);
    }
    bool RunWrite(std::uint64_t MaxTicks = 20000) {
        return Port.RunUntil([] { return !WriteBusy && !SettingsTriggerAdded && !XalTriggerAdded; }, MaxTicks);
    }
    // Image addresses of the read frames the simulator heard, in order.
    std::vector<int> ReadsHeard() const {
        std::vector<int> v;
        for (const auto& e : Sim.Log())
            if (e.command == sim::cmd::RamRead || e.command == sim::cmd::RamRead + 1 || e.command == sim::cmd::EepromRead)
                v.push_back(e.imageAddress);
        return v;
    }
    std::vector<std::vector<std::uint8_t>> FramesHeard() const {
        std::vector<std::vector<std::uint8_t>> v;
        for (const auto& e : Sim.Log()) v.push_back(e.bytes);
        return v;
    }
    std::vector<std::uint64_t> TimesHeard() const {
        std::vector<std::uint64_t> v;
        for (const auto& e : Sim.Log()) v.push_back(e.timeMs / FakeComPort::TickMs);
        return v;
    }
};

}  // namespace talvik::test
