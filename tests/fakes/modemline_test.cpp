// The modem-line state file and the shim that answers modem-line calls from it, on real
// pseudo-terminals. The shim is loaded with dlopen and its ioctl called directly, the same
// code that Wine reaches through LD_PRELOAD.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <atomic>
#include <thread>

#include "linestate.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/modemline_test.XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

using IoctlFn = int (*)(int, unsigned long, ...);

class Shim : public ::testing::Test {
protected:
    void SetUp() override {
        lib_ = dlopen(MODEMLINE_LIB, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib_, nullptr) << dlerror();
        shimIoctl_ = reinterpret_cast<IoctlFn>(dlsym(lib_, "ioctl"));
        shimIoctl64_ = reinterpret_cast<IoctlFn>(dlsym(lib_, "__ioctl_time64"));
        ASSERT_NE(shimIoctl_, nullptr);
        ASSERT_NE(shimIoctl64_, nullptr);
        for (Pty* p : {&ours_, &other_}) {
            char name[128];
            ASSERT_EQ(openpty(&p->master, &p->slave, name, nullptr, nullptr), 0);
            p->name = name;
        }
        link_ = dir_.path + "/com21";
        ASSERT_EQ(symlink(ours_.name.c_str(), link_.c_str()), 0);
        state_ = link_ + ".lines";
        setenv("TALVIK_MODEMLINE_PTYS", ("/nonexistent:" + link_).c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TALVIK_MODEMLINE_PTYS");
        for (Pty* p : {&ours_, &other_}) {
            close(p->master);
            close(p->slave);
        }
        if (lib_) dlclose(lib_);
    }
    int Lines() {
        int v = -1;
        EXPECT_EQ(shimIoctl64_(ours_.slave, TIOCMGET, &v), 0);
        return v;
    }

    struct Pty {
        int master = -1, slave = -1;
        std::string name;
    };
    TempDir dir_;
    void* lib_ = nullptr;
    IoctlFn shimIoctl_ = nullptr, shimIoctl64_ = nullptr;
    Pty ours_, other_;
    std::string link_, state_;
};

}  // namespace

TEST(LineState, EachSideChangesOnlyItsOwnLines) {
    TempDir d;
    const std::string f = d.path + "/x.lines";
    int v = -1;
    EXPECT_EQ(linestate_read(f.c_str(), &v), 0);  // no file yet: all low
    EXPECT_EQ(v, 0);
    ASSERT_EQ(linestate_write(f.c_str(), LINE_DCD | LINE_CTS, LINE_DCD), 0);
    EXPECT_EQ(Slurp(f), "DTR=0 RTS=0 DCD=1 DSR=0 CTS=0 RI=0\n");
    ASSERT_EQ(linestate_write(f.c_str(), LINE_DTR, LINE_DTR), 0);
    ASSERT_EQ(linestate_write(f.c_str(), LINE_RI, LINE_RI), 0);
    ASSERT_EQ(linestate_write(f.c_str(), LINE_DCD, 0), 0);
    EXPECT_EQ(Slurp(f), "DTR=1 RTS=0 DCD=0 DSR=0 CTS=0 RI=1\n");
    ASSERT_EQ(linestate_read(f.c_str(), &v), 0);
    EXPECT_EQ(v, LINE_DTR | LINE_RI);
}

TEST(LineState, HandWrittenOrPartialFilesAreReadAndRepaired) {
    TempDir d;
    const std::string f = d.path + "/x.lines";
    std::ofstream(f) << "DSR=1\nCTS=1  XDTR=1";  // XDTR is no line name
    int v = -1;
    ASSERT_EQ(linestate_read(f.c_str(), &v), 0);
    EXPECT_EQ(v, LINE_DSR | LINE_CTS);
    ASSERT_EQ(linestate_write(f.c_str(), LINE_RTS, LINE_RTS), 0);
    EXPECT_EQ(Slurp(f), "DTR=0 RTS=1 DCD=0 DSR=1 CTS=1 RI=0\n");
}

TEST_F(Shim, ProgramSetsDtrAndRtsButNotTheDeviceLines) {
    int bits = TIOCM_DTR;
    ASSERT_EQ(shimIoctl64_(ours_.slave, TIOCMBIS, &bits), 0);
    EXPECT_EQ(Slurp(state_), "DTR=1 RTS=0 DCD=0 DSR=0 CTS=0 RI=0\n");
    bits = TIOCM_RTS | TIOCM_CAR | TIOCM_DSR;  // the program cannot drive the device's lines
    ASSERT_EQ(shimIoctl_(ours_.slave, TIOCMBIS, &bits), 0);
    EXPECT_EQ(Slurp(state_), "DTR=1 RTS=1 DCD=0 DSR=0 CTS=0 RI=0\n");
    bits = TIOCM_DTR;
    ASSERT_EQ(shimIoctl_(ours_.slave, TIOCMBIC, &bits), 0);
    EXPECT_EQ(Slurp(state_), "DTR=0 RTS=1 DCD=0 DSR=0 CTS=0 RI=0\n");
    bits = TIOCM_DTR | TIOCM_CTS;
    ASSERT_EQ(shimIoctl_(ours_.slave, TIOCMSET, &bits), 0);
    EXPECT_EQ(Slurp(state_), "DTR=1 RTS=0 DCD=0 DSR=0 CTS=0 RI=0\n");
}

TEST_F(Shim, ProgramSeesTheDeviceLinesTheSimulatorSets) {
    ASSERT_EQ(linestate_write(state_.c_str(), LINE_DCD | LINE_DSR | LINE_RI, LINE_DCD | LINE_DSR), 0);
    EXPECT_EQ(Lines(), TIOCM_CAR | TIOCM_DSR);
    ASSERT_EQ(linestate_write(state_.c_str(), LINE_DCD | LINE_CTS | LINE_RI, LINE_CTS | LINE_RI), 0);
    EXPECT_EQ(Lines(), TIOCM_DSR | TIOCM_CTS | TIOCM_RNG);
}

TEST_F(Shim, WaitForLineChangeEndsWhenAWatchedLineChanges) {
    std::atomic<int> result{1};
    std::thread waiter([&] { result = shimIoctl64_(ours_.slave, TIOCMIWAIT, TIOCM_CD); });
    // The waiter takes its starting point when it runs, so DCD keeps changing until it has seen
    // a change; CTS changes all the while and must not end the wait on its own.
    for (int i = 0; result == 1; ++i) {
        ASSERT_EQ(linestate_write(state_.c_str(), LINE_CTS, (i & 1) ? LINE_CTS : 0), 0);
        if (i >= 20) {
            ASSERT_EQ(linestate_write(state_.c_str(), LINE_DCD, (i & 2) ? LINE_DCD : 0), 0);
        }
        usleep(5000);
        if (i == 19) {
            EXPECT_EQ(result, 1) << "the wait ended without a DCD change";
        }
    }
    waiter.join();
    EXPECT_EQ(result, 0);
}

TEST_F(Shim, OtherDescriptorsAndRequestsGoToTheKernel) {
    int v = 0;
    errno = 0;
    EXPECT_EQ(shimIoctl_(other_.slave, TIOCMGET, &v), -1);  // a pseudo-terminal has no lines
    EXPECT_NE(errno, 0);
    int fd = open(dir_.path.c_str(), O_RDONLY);
    EXPECT_EQ(shimIoctl_(fd, TIOCMGET, &v), -1);
    close(fd);
    EXPECT_EQ(access(state_.c_str(), F_OK), -1);  // nothing was answered from our file
    winsize ws{};
    EXPECT_EQ(shimIoctl_(ours_.slave, TIOCGWINSZ, &ws), 0);
}

TEST_F(Shim, StateFileCanBeNamedPerPort) {
    const std::string custom = dir_.path + "/custom.state";
    setenv("TALVIK_MODEMLINE_PTYS", (link_ + "=" + custom).c_str(), 1);
    int bits = TIOCM_RTS;
    ASSERT_EQ(shimIoctl_(ours_.slave, TIOCMBIS, &bits), 0);
    EXPECT_EQ(Slurp(custom), "DTR=0 RTS=1 DCD=0 DSR=0 CTS=0 RI=0\n");
}
