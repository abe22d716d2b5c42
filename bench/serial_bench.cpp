// Figures of the serial library under Wine: when timer triggers fire after being armed, and
// what an open, idle port costs in CPU time. Run through bench/serial-bench.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "serial/KsWin32.h"

using namespace talvik;

namespace {

double NowMs() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Bench {
    TKslWin32Dispatcher* d = nullptr;
    std::int32_t handle = 0;
    double armedAt = 0;
    std::vector<double> delays;
    int ticks = 1;
    int want = 0;
};
Bench gBench;

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == MsgTriggerTimer) {
        gBench.d->AcknowledgeDelivery();
        gBench.delays.push_back(NowMs() - gBench.armedAt);
        if (static_cast<int>(gBench.delays.size()) < gBench.want) {
            gBench.armedAt = NowMs();
            gBench.d->SetTimerTrigger(gBench.handle, gBench.ticks, true);
        }
        return 0;
    }
    return DefWindowProcW(h, msg, w, l);
}

void Pump(double untilMs) {
    while (NowMs() < untilMs) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        // Sleeps until a message comes, as a message loop does.
        const double left = untilMs - NowMs();
        if (left > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
    }
}

double CpuSeconds() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto s = [](FILETIME f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7;
    };
    return s(k) + s(u);
}

}  // namespace

int main(int argc, char** argv) {
    const char* port = argc > 1 ? argv[1] : "\\\\.\\COM31";
    const int samples = argc > 2 ? std::atoi(argv[2]) : 40;
    const int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 10;

    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"talvikSerialBench";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);

    TKslWin32Dispatcher d(nullptr);
    gBench.d = &d;
    if (d.OpenPort(port, 2400, 0, 8, 1, 4096, 4096, 3) != 0) {
        std::printf("cannot open %s\n", port);
        return 1;
    }
    d.RegisterWndTriggerHandler(reinterpret_cast<std::uintptr_t>(wnd));
    d.UpdateHandlerFlags(1);
    gBench.handle = d.AddTimerTrigger();

    std::printf("timer trigger firing delay (ms from arming to the handler), %d samples each\n", samples);
    std::printf("a trigger of N ticks may fire from N x 55 to (N + 1) x 55 ms after its arming\n");
    std::printf("%5s %9s %9s %9s %9s %9s %10s %6s %9s\n", "ticks", "window", "min", "median", "mean",
                "max", "in window", "early", "past end");
    for (int ticks : {1, 2, 6}) {
        gBench.ticks = ticks;
        gBench.want = samples;
        gBench.delays.clear();
        gBench.armedAt = NowMs();
        d.SetTimerTrigger(gBench.handle, ticks, true);
        const double end = NowMs() + samples * (ticks + 2) * 55.0 + 5000;
        while (static_cast<int>(gBench.delays.size()) < samples && NowMs() < end) Pump(NowMs() + 20);
        std::vector<double> v = gBench.delays;
        std::sort(v.begin(), v.end());
        double sum = 0;
        int inside = 0, early = 0, late = 0;
        for (double x : v) {
            sum += x;
            if (x < ticks * 55.0)
                ++early;
            else if (x > (ticks + 1) * 55.0)
                ++late;
            else
                ++inside;
        }
        if (v.empty()) {
            std::printf("%5d  no firing\n", ticks);
            continue;
        }
        std::printf("%5d %4d-%-4d %9.1f %9.1f %9.1f %9.1f %6d/%-3zu %6d %9d\n", ticks, ticks * 55,
                    (ticks + 1) * 55, v.front(), v[v.size() / 2], sum / v.size(), v.back(), inside,
                    v.size(), early, late);
        // The spread, in 5 ms steps from the window's start.
        std::printf("      ");
        for (int from = ticks * 55; from < (ticks + 1) * 55; from += 5) {
            int n = 0;
            for (double x : v)
                if (x >= from && x < from + 5) ++n;
            std::printf(" %d-%d:%d", from, from + 5, n);
        }
        std::printf("\n");
    }

    d.SetTimerTrigger(gBench.handle, 0, false);
    const double cpu0 = CpuSeconds();
    const double t0 = NowMs();
    Pump(t0 + idleSeconds * 1000.0);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = (NowMs() - t0) / 1000.0;
    std::printf("idle open port: %.3f CPU s over %.1f s wall (%.2f %%)\n", cpu, wall,
                100.0 * cpu / wall);
    d.DonePort();
    return 0;
}
