// The far end of a pseudo-terminal serial line in the Win32 serial tests: a plain synchronous
// handle, read and written with ordinary calls while the test window's messages keep flowing.
#pragma once

#include <windows.h>

#include <string>

#include "Win32TestWindow.h"

namespace talvik::test {

class TPeer {
public:
    explicit TPeer(int n) : TPeer(("\\\\.\\COM" + std::to_string(n)).c_str()) {}
    explicit TPeer(const char* name) {
        h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::DCB dcb{};
            dcb.DCBlength = sizeof dcb;
            GetCommState(h, &dcb);
            dcb.BaudRate = 9600;
            dcb.ByteSize = 8;
            dcb.Parity = NOPARITY;
            dcb.StopBits = ONESTOPBIT;
            dcb.fBinary = TRUE;
            SetCommState(h, &dcb);
            COMMTIMEOUTS to{};
            to.ReadIntervalTimeout = MAXDWORD;
            SetCommTimeouts(h, &to);
        }
    }
    ~TPeer() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    bool Ok() const { return h != INVALID_HANDLE_VALUE; }
    void Send(const std::string& s) {
        DWORD n = 0;
        WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
    }
    // Reads until want bytes came (or 5 s passed).
    std::string Receive(std::size_t want) {
        std::string got;
        for (int i = 0; i < 500 && got.size() < want; ++i) {
            char buf[256];
            DWORD n = 0;
            if (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
                got.append(buf, n);
            else
                TTestWindow::PumpFor(10);
        }
        return got;
    }
    HANDLE h;
};

}  // namespace talvik::test
