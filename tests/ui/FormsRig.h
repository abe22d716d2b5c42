// The data windows on a test bench: the current-data and settings windows created as the
// program creates them, wired to a link whose port double carries the frames to the in-process
// regulator simulator on a simulated clock.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "FakeComPort.h"
#include "RegulatorSim.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "ui/Settings.h"
#include "ui/current.h"
#include "ui/formsLink.h"

namespace talvik::test {

class RigListener : public TDataFormsListener {
public:
    std::vector<std::string> Statuses;
    std::int32_t Baud = 2;  // 2400 baud: a current-data read does not fetch the other page
    int Beeps = 0;
    void ShowStatus(const std::string& Text) override { Statuses.push_back(Text); }
    void Beep() override { ++Beeps; }
    std::int32_t BaudIndex() override { return Baud; }
};

class FormsRig {
public:
    FakeComPort Port;
    sim::RegulatorSim Sim;
    RigListener Listener;
    TLink Link{Port, Listener};
    TForm* Main = nullptr;

    FormsRig() {
        ResetLinkState();
        DirectMode = true;
        DirectPortNumber = 41;
        StartupPending = false;
        Application.Initialize();
        Port.OnSend = [this](const std::string& s, std::uint64_t now) {
            for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
        };
        Port.OnTick = [this](std::uint64_t now) { Port.Receive(Sim.Drain(now)); };
        std::mt19937 rng(4321);
        for (auto& b : Sim.Memory()) b = static_cast<std::uint8_t>(rng() % 256);
        // The program's main window comes first; the data windows are never the main form.
        Main = new TForm();
        Application.AddForm(Main);
        Application.CreateForm(setform);
        Application.CreateForm(Currentform);
        BindDataFormsToLink(Link);
    }
    ~FormsRig() {
        DataFormsHost = {};
        if (Currentform) Currentform->Free();
        if (setform) setform->Free();
        Main->Free();
        Currentform = nullptr;
        setform = nullptr;
    }

    bool Idle() const { return !CommBusy && !RequestTriggerAdded; }
    bool WriteDone() const { return !WriteBusy && !SettingsTriggerAdded; }
    bool RunRead(std::uint64_t MaxTicks = 20000) {
        return Port.RunUntil([this] { return Idle(); }, MaxTicks);
    }
    bool RunWrite(std::uint64_t MaxTicks = 20000) {
        return Port.RunUntil([this] { return WriteDone(); }, MaxTicks);
    }
    void Pump() {
        for (int i = 0; i < 10; ++i) Application.ProcessMessages();
    }
    void Set(int address, int value) { Sim.Memory()[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value); }
};

}  // namespace talvik::test
