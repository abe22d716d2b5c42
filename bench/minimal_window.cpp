// The start-up benchmark's yardstick: the least a window program with a status bar does before
// its message loop (the common controls, one top-level window, its status bar), built and
// linked as talvik.exe is. It says "Application.Run" on the debug channel, as talvik.exe does,
// right before its loop.
#include <windows.h>
#include <commctrl.h>

namespace {

LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (msg == WM_SIZE) SendMessageW(GetDlgItem(h, 1), WM_SIZE, 0, 0);
    return DefWindowProcW(h, msg, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    RegisterClassW(&wc);
    HWND main = CreateWindowW(L"MinimalWindow", L"Minimal", WS_OVERLAPPEDWINDOW, 0, 0, 640, 96,
                              nullptr, nullptr, instance, nullptr);
    CreateWindowW(STATUSCLASSNAMEW, L"Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                  main, reinterpret_cast<HMENU>(1), instance, nullptr);
    ShowWindow(main, show);
    UpdateWindow(main);
    OutputDebugStringA("Application.Run");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
