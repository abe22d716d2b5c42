// The serial rig as the program sees it under Wine: a COM port linked to a pseudo-terminal,
// modem lines answered by the modem-line shim, and the regulator simulator on the far end.
// Needs the rig running (ctest starts it): TALVIK_RIG_DIR and TALVIK_RIG_PORT name it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::string RigFile(const std::string& name) {
    const char* dir = std::getenv("TALVIK_RIG_DIR");
    return std::string("Z:") + (dir ? dir : "") + "/" + name;
}

std::string Port() {
    const char* p = std::getenv("TALVIK_RIG_PORT");
    return p ? p : "";
}

std::string ReadFileText(const std::string& path) {
    std::string s;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) s.append(buf, n);
    CloseHandle(h);
    return s;
}

// Sets one device line in the state file the way the simulators do: the digit in place.
void SetLine(const std::string& name, bool on) {
    const std::string path = RigFile("com" + Port() + ".lines");
    const std::string text = ReadFileText(path);
    const auto at = text.find(name + "=");
    ASSERT_NE(at, std::string::npos) << text;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, static_cast<LONG>(at + name.size() + 1), nullptr, FILE_BEGIN);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, on ? "1" : "0", 1, &n, nullptr));
    CloseHandle(h);
}

bool LineIs(const std::string& name, bool on) {
    return ReadFileText(RigFile("com" + Port() + ".lines")).find(name + (on ? "=1" : "=0")) !=
           std::string::npos;
}

class RigPort : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Port().empty()) << "TALVIK_RIG_PORT not set: run through ctest";
        const std::string name = "\\\\.\\COM" + Port();
        h_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(h_, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(GetCommState(h_, &dcb));
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        ASSERT_TRUE(SetCommState(h_, &dcb)) << "error " << GetLastError();
        COMMTIMEOUTS t{};
        t.ReadTotalTimeoutConstant = 5000;  // a lost reply ends the read instead of hanging
        t.WriteTotalTimeoutConstant = 5000;
        ASSERT_TRUE(SetCommTimeouts(h_, &t));
        ASSERT_TRUE(PurgeComm(h_, PURGE_RXCLEAR | PURGE_TXCLEAR));
        ev_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override {
        if (ev_) CloseHandle(ev_);
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }

    void Send(const Bytes& b) {
        OVERLAPPED ov{};
        ov.hEvent = ev_;
        ResetEvent(ev_);
        DWORD n = 0;
        if (!WriteFile(h_, b.data(), static_cast<DWORD>(b.size()), &n, &ov)) {
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
            ASSERT_TRUE(GetOverlappedResult(h_, &ov, &n, TRUE));
        }
        EXPECT_EQ(n, b.size());
    }

    Bytes Receive(DWORD count) {
        Bytes b(count);
        OVERLAPPED ov{};
        ov.hEvent = ev_;
        ResetEvent(ev_);
        DWORD n = 0;
        if (!ReadFile(h_, b.data(), count, &n, &ov)) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
            // Wine ends a read whose total timeout ran out with ERROR_TIMEOUT, where Windows
            // reports success with the bytes that came; both mean "this is all there is".
            if (!GetOverlappedResult(h_, &ov, &n, TRUE)) {
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
            }
        }
        b.resize(n);
        return b;
    }

    HANDLE h_ = INVALID_HANDLE_VALUE;
    HANDLE ev_ = nullptr;
};

}  // namespace

TEST_F(RigPort, DtrAndRtsFromTheProgramReachTheStateFile) {
    EXPECT_TRUE(LineIs("DTR", false));
    EXPECT_TRUE(LineIs("RTS", false));
    ASSERT_TRUE(EscapeCommFunction(h_, SETDTR)) << "error " << GetLastError();
    EXPECT_TRUE(LineIs("DTR", true));
    EXPECT_TRUE(LineIs("RTS", false));
    ASSERT_TRUE(EscapeCommFunction(h_, SETRTS));
    EXPECT_TRUE(LineIs("RTS", true));
    ASSERT_TRUE(EscapeCommFunction(h_, CLRDTR));
    EXPECT_TRUE(LineIs("DTR", false));
    ASSERT_TRUE(EscapeCommFunction(h_, CLRRTS));
    EXPECT_TRUE(LineIs("RTS", false));
}

TEST_F(RigPort, DeviceLinesShowInModemStatusAndRaiseCommEvents) {
    SetLine("DCD", false);
    SetLine("DSR", true);
    SetLine("CTS", false);
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(h_, &status)) << "error " << GetLastError();
    EXPECT_EQ(status, static_cast<DWORD>(MS_DSR_ON));

    ASSERT_TRUE(SetCommMask(h_, EV_RLSD | EV_CTS | EV_DSR));
    OVERLAPPED ov{};
    ov.hEvent = ev_;
    ResetEvent(ev_);
    DWORD mask = 0;
    ASSERT_FALSE(WaitCommEvent(h_, &mask, &ov));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    // Give the wait a moment to take its starting point, then raise carrier.
    EXPECT_EQ(WaitForSingleObject(ev_, 300), static_cast<DWORD>(WAIT_TIMEOUT));
    SetLine("DCD", true);
    ASSERT_EQ(WaitForSingleObject(ev_, 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << "no comm event";
    DWORD n = 0;
    ASSERT_TRUE(GetOverlappedResult(h_, &ov, &n, FALSE));
    EXPECT_EQ(mask, static_cast<DWORD>(EV_RLSD));
    ASSERT_TRUE(GetCommModemStatus(h_, &status));
    EXPECT_EQ(status, static_cast<DWORD>(MS_RLSD_ON | MS_DSR_ON));

    // A CTS change is reported as such.
    ResetEvent(ev_);
    ASSERT_FALSE(WaitCommEvent(h_, &mask, &ov));
    EXPECT_EQ(WaitForSingleObject(ev_, 300), static_cast<DWORD>(WAIT_TIMEOUT));
    SetLine("CTS", true);
    ASSERT_EQ(WaitForSingleObject(ev_, 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << "no comm event";
    EXPECT_EQ(mask, static_cast<DWORD>(EV_CTS));
    SetLine("DCD", false);
    SetLine("CTS", false);
    SetLine("DSR", false);
}

TEST_F(RigPort, ReadExchangeWithTheSimulator) {
    // A RAM write goes unanswered and lands in the simulator's memory file.
    Send({0x98, 0x05, 0x5A, 0x67});
    std::string mem;
    for (int i = 0; i < 100; ++i) {
        mem = ReadFileText(RigFile("mem" + Port() + ".bin"));
        if (mem.size() == 512 && static_cast<unsigned char>(mem[5]) == 0x5A) break;
        Sleep(50);
    }
    ASSERT_EQ(mem.size(), 512u);
    EXPECT_EQ(static_cast<unsigned char>(mem[5]), 0x5A);

    Send({0x14, 0x05, 0x00, 0xEB});
    EXPECT_EQ(Receive(2), (Bytes{200, 0x5A}));
    // Nothing more: the simulator does not echo the request.
    COMMTIMEOUTS t{};
    t.ReadTotalTimeoutConstant = 300;
    ASSERT_TRUE(SetCommTimeouts(h_, &t));
    EXPECT_EQ(Receive(1), Bytes{});

    const std::string log = ReadFileText(RigFile("sim" + Port() + ".log"));
    EXPECT_NE(log.find("\t98 05 5A 67\t-\tram-write\t5\t90\tok\twritten"), std::string::npos) << log;
    EXPECT_NE(log.find("\t14 05 00 EB\t-\tram-read\t5\t0\tok\tanswered"), std::string::npos) << log;
}
