// The start-up benchmark's launcher: starts a program, times it from launch until it says
// "Application.Run" on the debug channel (the last thing before its message loop), and ends
// it. The debug lines are read as a system debug monitor reads them (the DBWIN buffer and its
// two events), which leaves the program running as it always does: a debugger would stop it at
// every line and every library it loads.
//
//   startup_launch.exe RUNS A.exe B.exe   both programs RUNS times, alternating (after one
//                                          unmeasured start of each); each run's time, the two
//                                          medians and their ratio A / B
//   startup_launch.exe --trace A.exe      one start of A: each of its debug lines with its time
//                                          since launch (where the start-up time goes)
// A program runs in its own folder. Exit 1 when a program ended, or stayed silent for 60 s,
// before the line came.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double NowMs() {
    static LARGE_INTEGER freq{};
    if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// The monitor's side of the debug-line buffer: a writer waits for "buffer ready", puts its
// process id and the line in the shared page and signals "data ready".
struct DebugMonitor {
    HANDLE bufferReady = nullptr, dataReady = nullptr, mapping = nullptr;
    const char* view = nullptr;

    bool Open() {
        bufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
        dataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
        if (!bufferReady || !dataReady || !mapping) return false;
        view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
        return view != nullptr;
    }
};

DebugMonitor monitor;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Starts the program and reads its debug lines until "Application.Run": the milliseconds
// since launch, or a negative value when it never came. trace prints every line on the way.
double TimeStart(const std::string& exe, bool trace) {
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::string dir = FolderOf(exe);
    SetEvent(monitor.bufferReady);
    const double start = NowMs();
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return -1;
    }
    double result = -1;
    HANDLE waits[2] = {monitor.dataReady, pi.hProcess};
    for (;;) {
        const DWORD w = WaitForMultipleObjects(2, waits, FALSE, 60000);
        if (w != WAIT_OBJECT_0) {
            std::fprintf(stderr, "%s %s\n", exe.c_str(), w == WAIT_TIMEOUT ? "stayed silent for 60 s" : "ended");
            break;
        }
        const double at = NowMs() - start;
        DWORD pid = 0;
        std::memcpy(&pid, monitor.view, sizeof pid);
        const std::string line(monitor.view + sizeof pid, strnlen(monitor.view + sizeof pid, 4096 - sizeof pid));
        SetEvent(monitor.bufferReady);
        if (pid != pi.dwProcessId) continue;
        if (trace) std::printf("%8.1f ms  %s\n", at, line.c_str());
        if (line.rfind("Application.Run", 0) == 0) {
            result = at;
            break;
        }
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (!monitor.Open()) {
        std::fprintf(stderr, "cannot open the debug-line buffer (another monitor running?)\n");
        return 1;
    }
    if (argc == 3 && std::string(argv[1]) == "--trace") return TimeStart(argv[2], true) < 0 ? 1 : 0;
    if (argc != 4) {
        std::fprintf(stderr, "usage: startup_launch.exe RUNS A.exe B.exe | --trace A.exe\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const std::string a = argv[2], b = argv[3];
    // One start of each first, unmeasured: it brings the files into the cache and the Wine
    // server's state to what every later start finds.
    if (TimeStart(a, false) < 0 || TimeStart(b, false) < 0) return 1;
    std::vector<double> ta, tb;
    for (int i = 0; i < runs; ++i) {
        // The order alternates too, so that neither program always follows the other.
        const bool aFirst = i % 2 == 0;
        const double first = TimeStart(aFirst ? a : b, false);
        const double second = TimeStart(aFirst ? b : a, false);
        if (first < 0 || second < 0) return 1;
        ta.push_back(aFirst ? first : second);
        tb.push_back(aFirst ? second : first);
        std::printf("run %2d: %s %7.1f ms, %s %7.1f ms\n", i + 1, NameOf(a).c_str(), ta.back(), NameOf(b).c_str(),
                    tb.back());
        std::fflush(stdout);
    }
    const double ma = Median(ta), mb = Median(tb);
    std::printf("median %s: %.1f ms\n", NameOf(a).c_str(), ma);
    std::printf("median %s: %.1f ms\n", NameOf(b).c_str(), mb);
    std::printf("ratio %s / %s: %.2f\n", NameOf(a).c_str(), NameOf(b).c_str(), ma / mb);
    return 0;
}
