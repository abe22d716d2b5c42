// Benchmark helper: clicks the current-data tool button of a running talvik.exe as the user
// does, so that the program opens its port and reads (run in the same Wine prefix), or closes
// its main window as the window's close box does. Waits up to 60 s for the main window; exits
// 0 once the click or the close was given.
// Usage: talvik_poke.exe [close]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

namespace {

BOOL CALLBACK TakeToolBar(HWND h, LPARAM out) {
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    if (lstrcmpiW(cls, TOOLBARCLASSNAMEW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(out) = h;
    return FALSE;
}

HWND FindToolBar(HWND top) {
    HWND found = nullptr;
    EnumChildWindows(top, &TakeToolBar, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The main window: a visible top-level window titled "TALVIK" (and its version) with a tool bar.
BOOL CALLBACK TakeMainBar(HWND h, LPARAM out) {
    wchar_t title[32];
    if (!IsWindowVisible(h) || !GetWindowTextW(h, title, 32) || wcsncmp(title, L"TALVIK", 6) != 0) return TRUE;
    HWND bar = FindToolBar(h);
    if (!bar) return TRUE;
    *reinterpret_cast<HWND*>(out) = bar;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    HWND bar = nullptr;
    for (int i = 0; i < 600 && !bar; ++i) {
        EnumWindows(&TakeMainBar, reinterpret_cast<LPARAM>(&bar));
        if (!bar) Sleep(100);
    }
    if (!bar) {
        std::fprintf(stderr, "talvik_poke: no TALVIK window with a tool bar\n");
        return 1;
    }
    if (argc > 1 && lstrcmpiA(argv[1], "close") == 0) {
        PostMessageW(GetAncestor(bar, GA_ROOT), WM_CLOSE, 0, 0);
        std::printf("closing\n");
        return 0;
    }
    // The program takes no request before its first one-second tick.
    Sleep(2500);
    // The button's place, asked in the program's own memory (the message carries a pointer).
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!proc) {
        std::fprintf(stderr, "talvik_poke: cannot open the program's process (%lu)\n", GetLastError());
        return 1;
    }
    void* remote = VirtualAllocEx(proc, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    // ToolButton4, the current-data button, is the sixth item (two separators come before it).
    RECT r{};
    SIZE_T got = 0;
    if (!remote || !SendMessageW(bar, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(remote)) ||
        !ReadProcessMemory(proc, remote, &r, sizeof r, &got)) {
        std::fprintf(stderr, "talvik_poke: cannot find the current-data button\n");
        return 1;
    }
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(bar, WM_LBUTTONUP, 0, at);
    std::printf("clicked\n");
    return 0;
}
