// Shows the history graph filled from the simulated regulator, for screenshots under Xvfb:
// "graphxal_screens.exe [language] [xal] [-traces a b c d] [-seconds N]" reads the history page
// (with "xal" also the accessory block into the accessory window) and runs for N seconds
// (default 10).
#include <windows.h>

#include "FakeComPort.h"
#include "RegulatorSim.h"
#include "base/format.h"
#include "link/qvLink.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/Datadisp.h"
#include "ui/graphxalLink.h"
#include "ui/xalprog.h"

using namespace talvik;
using talvik::test::FakeComPort;

int main(int argc, char** argv) {
    int seconds = 10;
    std::int32_t traces[4] = {1, 2, 0, 0};
    bool xal = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-seconds" && i + 1 < argc) seconds = StrToIntDef(argv[++i], 10);
        else if (a == "xal") xal = true;
        else if (a == "-traces" && i + 4 < argc)
            for (auto& t : traces) t = StrToIntDef(argv[++i], 0) % 7;
        else LanguageNumber = StrToIntDef(a, 0) & 3;
    }
    FakeComPort port;
    sim::RegulatorSim regulator;
    TGraphXalListener listener;
    ResetLinkState();
    DirectMode = true;
    StartupPending = false;
    TLink link(port, listener);
    Application.Initialize();
    port.OnSend = [&](const std::string& s, std::uint64_t now) {
        for (char c : s) regulator.Feed(static_cast<std::uint8_t>(c), now);
    };
    port.OnTick = [&](std::uint64_t now) { port.Receive(regulator.Drain(now)); };
    auto& m = regulator.Memory();
    m[0] = 5;
    m[301] = 12;
    for (int k = 0; k < 30; ++k) {
        const int charge = 40 + (k * 13) % 60, discharge = 30 + (k * 7) % 50;
        const int b[7] = {138 + k % 8, 118 + k % 6, 10 + (k * 3) % 40, 50 + (k * 5) % 50, charge & 255, discharge & 255,
                          ((discharge >> 8) << 4) | (charge >> 8)};
        for (int i = 0; i < 7; ++i) m[static_cast<std::size_t>(302 + 7 * k + i)] = static_cast<std::uint8_t>(b[i]);
    }
    for (int i = 0; i < 7; ++i) m[static_cast<std::size_t>(302 + 7 * 5 + i)] = 255;  // one empty day
    auto* main = new TForm();
    Application.AddForm(main);
    GraphXalHost.TraceSelection = traces;
    Application.CreateForm(graphform);
    BindDataFormsToLink(link);
    BindGraphXalToLink(link);
    graphform->Show();
    SetForegroundWindow(graphform->Handle());
    graphform->FormActivate(graphform);
    port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000);
    if (xal) {
        XalNewer = true;
        const int block[21] = {0, 0, 0, 0, 0, 0, 0, 0, 95, 105, 132, 127, 118, 150, 24, 0, 33, 33, 33, 32, 33};
        for (int i = 0; i < 21; ++i) m[static_cast<std::size_t>(256 + i)] = static_cast<std::uint8_t>(block[i]);
        Application.CreateForm(xalform);
        xalform->SetBounds(660, 90, xalform->Width(), xalform->Height());
        xalform->Show();
        SetForegroundWindow(xalform->Handle());
        xalform->FormActivate(xalform);
        xalform->ReadxalbutClick();
        port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000);
    }

    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    MSG msg;
    while (!Application.Terminated() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
