/* Modem-line shim, loaded with LD_PRELOAD into Wine: the kernel has no modem lines on a
 * pseudo-terminal, so Wine's GetCommModemStatus, EscapeCommFunction and line events fail there.
 * For the pseudo-terminals named in TALVIK_MODEMLINE_PTYS this library answers the TIOCM* calls
 * from a state file instead: the program's DTR and RTS are written to it, and DCD, DSR, CTS and
 * RI are read from it, where the simulators set them.
 *
 * TALVIK_MODEMLINE_PTYS: entries separated by ':'; each is PATH (state file PATH.lines) or
 * PATH=STATEFILE. PATH is the pseudo-terminal or a link to it; a descriptor matches when it is
 * open on the same device. TALVIK_MODEMLINE_DEBUG=1 traces every answered call to stderr.
 *
 * Debian's 32-bit glibc sends ioctl through __ioctl_time64, so both names are replaced.
 *
 * A device that never gives a read back: with TALVIK_MODEMLINE_STALL naming a flag file, a read
 * on one of these pseudo-terminals blocks for as long as that file exists (tests remove it to
 * let the reader go); FLAG.held is made once a read is held there. Without the variable reads
 * are not looked at. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "linestate.h"

typedef int (*ioctl_fn)(int, unsigned long, ...);

static const int input_lines = LINE_DCD | LINE_DSR | LINE_CTS | LINE_RI;
static const int output_lines = LINE_DTR | LINE_RTS;

static int debug_on(void) {
    const char* d = getenv("TALVIK_MODEMLINE_DEBUG");
    return d && *d && strcmp(d, "0") != 0;
}

/* Finds the state file of the pseudo-terminal fd is open on; 0 when fd is none of ours. */
static int state_file_for(int fd, char* state, size_t size) {
    const char* list = getenv("TALVIK_MODEMLINE_PTYS");
    struct stat fst;
    if (!list || !*list || fstat(fd, &fst) != 0 || !S_ISCHR(fst.st_mode)) return 0;
    const char* p = list;
    while (*p) {
        const char* end = strchr(p, ':');
        size_t len = end ? (size_t)(end - p) : strlen(p);
        char entry[PATH_MAX];
        if (len > 0 && len < sizeof entry) {
            memcpy(entry, p, len);
            entry[len] = 0;
            char* eq = strchr(entry, '=');
            if (eq) *eq = 0;
            struct stat pst;
            if (stat(entry, &pst) == 0 && S_ISCHR(pst.st_mode) && pst.st_rdev == fst.st_rdev) {
                int n = eq ? snprintf(state, size, "%s", eq + 1)
                           : snprintf(state, size, "%s.lines", entry);
                return n > 0 && (size_t)n < size;
            }
        }
        if (!end) break;
        p = end + 1;
    }
    return 0;
}

static void sleep_ms(long ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

/* Answers one modem-line request from the state file; returns -2 when it is not one. */
static int answer(int fd, unsigned long req, void* arg) {
    if (req != TIOCMGET && req != TIOCMSET && req != TIOCMBIS && req != TIOCMBIC &&
        req != TIOCMIWAIT)
        return -2;
    char state[PATH_MAX + 8];
    if (!state_file_for(fd, state, sizeof state)) return -2;

    int lines = 0;
    int rc = 0;
    if (req == TIOCMIWAIT) {
        /* Blocks until one of the asked input lines changes, like the kernel does; ends with
         * EIO when the descriptor goes away meanwhile. */
        int mask = (int)(long)arg & input_lines;
        int first;
        if (linestate_read(state, &first) != 0) return errno = EIO, -1;
        for (;;) {
            sleep_ms(10);
            if (fcntl(fd, F_GETFD) < 0) return errno = EIO, -1;
            if (linestate_read(state, &lines) != 0) return errno = EIO, -1;
            if ((lines ^ first) & mask) break;
        }
    } else if (req == TIOCMGET) {
        rc = linestate_read(state, &lines);
        if (rc == 0) *(int*)arg = lines;
    } else {
        int v = *(const int*)arg & output_lines;
        if (req == TIOCMSET) rc = linestate_write(state, output_lines, v);
        else if (req == TIOCMBIS) rc = linestate_write(state, v, v);
        else rc = linestate_write(state, v, 0);
    }
    if (rc != 0) errno = EIO;
    if (debug_on())
        fprintf(stderr, "modemline: fd %d req 0x%lx arg 0x%x -> %d (%s)\n", fd, req,
                req == TIOCMGET ? lines : (req == TIOCMIWAIT ? (int)(long)arg : *(int*)arg), rc,
                state);
    return rc;
}

static int forward(const char* name, int fd, unsigned long req, void* arg) {
    static ioctl_fn real_ioctl, real_ioctl64;
    ioctl_fn* slot = strcmp(name, "ioctl") == 0 ? &real_ioctl : &real_ioctl64;
    if (!*slot) *slot = (ioctl_fn)dlsym(RTLD_NEXT, name);
    if (!*slot) return errno = ENOSYS, -1;
    return (*slot)(fd, req, arg);
}

typedef ssize_t (*read_fn)(int, void*, size_t);
typedef ssize_t (*read_chk_fn)(int, void*, size_t, size_t);

/* Blocks while the stall flag exists and fd is one of our pseudo-terminals. */
static void stall(int fd) {
    const char* flag = getenv("TALVIK_MODEMLINE_STALL");
    if (!flag || !*flag) return;
    char state[PATH_MAX + 8];
    if (access(flag, F_OK) != 0 || !state_file_for(fd, state, sizeof state)) return;
    if (debug_on()) fprintf(stderr, "modemline: read on fd %d stalled\n", fd);
    /* Tells the test that a reader is now held (FLAG.held), so that it need not guess how long
     * the reader takes to get here on a loaded machine. */
    char held[PATH_MAX + 8];
    snprintf(held, sizeof held, "%s.held", flag);
    int h = open(held, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (h >= 0) close(h);
    while (access(flag, F_OK) == 0) sleep_ms(10);
}

ssize_t read(int fd, void* buf, size_t n) {
    static read_fn real_read;
    if (!real_read) real_read = (read_fn)dlsym(RTLD_NEXT, "read");
    stall(fd);
    return real_read(fd, buf, n);
}

ssize_t __read_chk(int fd, void* buf, size_t n, size_t buflen) {
    static read_chk_fn real_read_chk;
    if (!real_read_chk) real_read_chk = (read_chk_fn)dlsym(RTLD_NEXT, "__read_chk");
    stall(fd);
    return real_read_chk(fd, buf, n, buflen);
}

int ioctl(int fd, unsigned long req, ...) {
    va_list ap;
    va_start(ap, req);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    int r = answer(fd, req, arg);
    return r != -2 ? r : forward("ioctl", fd, req, arg);
}

int __ioctl_time64(int fd, unsigned long req, ...) {
    va_list ap;
    va_start(ap, req);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    int r = answer(fd, req, arg);
    return r != -2 ? r : forward("__ioctl_time64", fd, req, arg);
}
