/* Reading and writing the modem-line state file (see linestate.h). */
#include "linestate.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

static const struct {
    const char* name;
    int bit;
} lines_table[] = {
    {"DTR", LINE_DTR}, {"RTS", LINE_RTS}, {"DCD", LINE_DCD},
    {"DSR", LINE_DSR}, {"CTS", LINE_CTS}, {"RI", LINE_RI},
};
enum { LINE_COUNT = sizeof lines_table / sizeof lines_table[0], STATE_MAX = 256 };

static int read_all(int fd, char* buf, int size) {
    int n = 0;
    while (n < size - 1) {
        ssize_t r = pread(fd, buf + n, (size_t)(size - 1 - n), n);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        n += (int)r;
    }
    buf[n] = 0;
    return n;
}

/* Offset of the digit after "NAME=" as a whole word, or -1. */
static int find_digit(const char* text, const char* name) {
    size_t len = strlen(name);
    for (const char* p = text; (p = strstr(p, name)) != NULL; p += len) {
        int starts_word = p == text || p[-1] == ' ' || p[-1] == '\t' || p[-1] == '\n';
        if (starts_word && p[len] == '=' && (p[len + 1] == '0' || p[len + 1] == '1'))
            return (int)(p - text + (long)len + 1);
    }
    return -1;
}

static int parse(const char* text) {
    int lines = 0;
    for (int i = 0; i < LINE_COUNT; i++) {
        int at = find_digit(text, lines_table[i].name);
        if (at >= 0 && text[at] == '1') lines |= lines_table[i].bit;
    }
    return lines;
}

int linestate_read(const char* path, int* lines) {
    char buf[STATE_MAX];
    *lines = 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    int n = read_all(fd, buf, sizeof buf);
    close(fd);
    if (n < 0) return -1;
    *lines = parse(buf);
    return 0;
}

int linestate_write(const char* path, int mask, int lines) {
    char buf[STATE_MAX];
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    int n = read_all(fd, buf, sizeof buf);
    if (n < 0) {
        close(fd);
        return -1;
    }
    int ok = 0;
    int complete = 1;
    for (int i = 0; i < LINE_COUNT; i++)
        if (find_digit(buf, lines_table[i].name) < 0) complete = 0;
    if (complete) {
        for (int i = 0; i < LINE_COUNT && ok == 0; i++) {
            if (!(mask & lines_table[i].bit)) continue;
            char digit = (lines & lines_table[i].bit) ? '1' : '0';
            if (pwrite(fd, &digit, 1, find_digit(buf, lines_table[i].name)) != 1) ok = -1;
        }
    } else {
        /* A new or damaged file: write the whole line once, keeping what could be read. */
        int cur = (parse(buf) & ~mask) | (lines & mask);
        char line[STATE_MAX];
        int len = 0;
        for (int i = 0; i < LINE_COUNT; i++) {
            const char* name = lines_table[i].name;
            size_t nl = strlen(name);
            if (i) line[len++] = ' ';
            memcpy(line + len, name, nl);
            len += (int)nl;
            line[len++] = '=';
            line[len++] = (cur & lines_table[i].bit) ? '1' : '0';
        }
        line[len++] = '\n';
        if (ftruncate(fd, 0) != 0 || pwrite(fd, line, (size_t)len, 0) != len) ok = -1;
    }
    if (close(fd) != 0) ok = -1;
    return ok;
}
