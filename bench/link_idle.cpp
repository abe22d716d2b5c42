// Benchmark program: the com port as linkdriver sets it up, opened and left idle with the link
// attached and the message loop running, for a number of seconds. Prints the process's CPU
// time over that span and its peak working set, as "name=value" lines.
// Usage: link_idle.exe PORT SECONDS
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "DriverPort.h"
#include "link/qvLink.h"
#include "link/uVar.h"

using namespace talvik;

namespace {

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto s = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
    };
    return s(kernel) + s(user);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: link_idle.exe PORT SECONDS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int seconds = std::atoi(argv[2]);
    try {
        ResetLinkState();
        DirectMode = true;
        TLinkListener listener;
        auto comport = MakeDriverPort([](const std::string& m) { std::fprintf(stderr, "port: %s\n", m.c_str()); });
        TLink link(*comport, listener);
        comport->SetComNumber(static_cast<std::uint16_t>(port));
        comport->SetBaud(9600);
        comport->SetOpen(true);

        const double cpu0 = CpuSeconds();
        const DWORD t0 = GetTickCount();
        while (GetTickCount() - t0 < static_cast<DWORD>(seconds) * 1000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        const double cpu = CpuSeconds() - cpu0;
        const double wall = (GetTickCount() - t0) / 1000.0;
        comport->SetOpen(false);

        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
        std::printf("idle_wall_seconds=%.2f\nidle_cpu_seconds=%.3f\nidle_cpu_percent=%.2f\npeak_working_set_kb=%lu\n",
                    wall, cpu, 100.0 * cpu / wall, static_cast<unsigned long>(pmc.PeakWorkingSetSize / 1024));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "link_idle: %s\n", e.what());
        return 1;
    }
}
