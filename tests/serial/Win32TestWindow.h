// A message-only window for device-layer tests: it answers the dispatcher's trigger messages on
// the thread that created it and records them.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

#include "serial/KsUser.h"

namespace talvik::test {

struct TWinMsg {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    DWORD Thread;
};

class TTestWindow {
public:
    explicit TTestWindow(TKslBaseDispatcher* d = nullptr) : Dispatcher(d) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"talvikSerialTestWindow";
            RegisterClassW(&wc);
            registered = true;
        }
        Handle = CreateWindowExW(0, L"talvikSerialTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TTestWindow() { DestroyWindow(Handle); }

    HWND Handle;
    TKslBaseDispatcher* Dispatcher;
    std::vector<TWinMsg> Got;
    std::function<void(const TWinMsg&)> OnMessage;

    int Count(UINT msg) const {
        int n = 0;
        for (const auto& m : Got)
            if (m.Msg == msg) ++n;
        return n;
    }

    // Pumps this thread's messages until pred holds; false after ms (a hang guard only).
    template <class Pred>
    static bool PumpUntil(Pred pred, int ms = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return true;
    }
    static void PumpFor(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        PumpUntil([&] { return std::chrono::steady_clock::now() > end; }, ms + 1000);
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<TTestWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg >= MsgTriggerAvail && msg <= MsgTriggerStatus) {
            if (self->Dispatcher) self->Dispatcher->AcknowledgeDelivery();
            TWinMsg m{msg, w, l, GetCurrentThreadId()};
            self->Got.push_back(m);
            if (self->OnMessage) self->OnMessage(m);
            return 0;
        }
        return DefWindowProcW(h, msg, w, l);
    }
};

}  // namespace talvik::test
