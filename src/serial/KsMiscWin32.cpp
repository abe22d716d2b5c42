// The Windows side of the serial library's small services: the millisecond clock on the
// performance counter (the multimedia clock when the counter is unusable) and the one-message
// pump used while the main thread waits for worker threads.
#include "serial/KsMiscWin32.h"

#include <windows.h>
#include <mmsystem.h>

#include "serial/KsMisc.h"

namespace talvik {

namespace {

std::uint32_t ComputePerfPerMs() {
    LARGE_INTEGER f;
    if (!QueryPerformanceFrequency(&f)) return 0;
    const unsigned long long freq = static_cast<unsigned long long>(f.QuadPart);
    if (freq == 0 || (freq >> 32) != 0) return 0;
    std::uint32_t per = static_cast<std::uint32_t>(freq / 1000);
    if (freq % 1000 > 500) ++per;
    return per;
}

}  // namespace

const std::uint32_t PerfPerMs = ComputePerfPerMs();

std::uint32_t PlatformTimeGetTime() {
    if (PerfPerMs == 0) return timeGetTime();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(c.QuadPart) / PerfPerMs);
}

int SafeYield() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
    if (msg.message == WM_QUIT) {
        // The main loop must still see it.
        PostQuitMessage(static_cast<int>(msg.wParam));
    } else {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.message & 0xFFFF) | 0x10000;
}

}  // namespace talvik
