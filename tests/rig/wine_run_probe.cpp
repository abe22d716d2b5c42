// A program for the tests of scripts/wine-run, built as a console and as a window program: it
// crashes, writes to both outputs in turn, ends with a chosen code, or waits to be ended.
//   wine_run_probe crash | turns N | exit CODE | wait
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Kept out of line so that the backtrace names a frame of this program.
__attribute__((noinline)) static void WriteThroughNull(int* where) { *where = 42; }

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    if (std::strcmp(argv[1], "crash") == 0) {
        std::printf("probe: about to crash\n");
        WriteThroughNull(reinterpret_cast<int*>(static_cast<std::uintptr_t>(std::atoi("0"))));
        return 0;
    }
    if (std::strcmp(argv[1], "turns") == 0 && argc > 2) {
        const int n = std::atoi(argv[2]);
        for (int i = 1; i <= n; ++i) std::fprintf(i % 2 ? stdout : stderr, "%s %d\n", i % 2 ? "out" : "err", i);
        return 0;
    }
    if (std::strcmp(argv[1], "exit") == 0 && argc > 2) return std::atoi(argv[2]);
    if (std::strcmp(argv[1], "wait") == 0) {
        std::printf("probe: waiting\n");
        Sleep(600000);
        return 0;
    }
    return 2;
}
