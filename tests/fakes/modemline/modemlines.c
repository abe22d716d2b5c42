/* modemlines: shows or sets the lines in a modem-line state file, for scripts and simulators.
 *   modemlines FILE                  prints the state line
 *   modemlines FILE DCD=1 CTS=0 ...  sets the named lines, leaving the others as they are */
#include <stdio.h>
#include <string.h>

#include "linestate.h"

static const struct {
    const char* name;
    int bit;
} names[] = {{"DTR", LINE_DTR}, {"RTS", LINE_RTS}, {"DCD", LINE_DCD},
             {"DSR", LINE_DSR}, {"CTS", LINE_CTS}, {"RI", LINE_RI}};

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: modemlines FILE [NAME=0|1 ...]  (NAME: DTR RTS DCD DSR CTS RI)\n");
        return 2;
    }
    int mask = 0, lines = 0;
    for (int i = 2; i < argc; i++) {
        int found = 0;
        for (size_t k = 0; k < sizeof names / sizeof names[0]; k++) {
            size_t n = strlen(names[k].name);
            if (strncmp(argv[i], names[k].name, n) == 0 && argv[i][n] == '=' &&
                (argv[i][n + 1] == '0' || argv[i][n + 1] == '1') && argv[i][n + 2] == 0) {
                mask |= names[k].bit;
                if (argv[i][n + 1] == '1') lines |= names[k].bit;
                found = 1;
            }
        }
        if (!found) {
            fprintf(stderr, "modemlines: bad setting '%s' (want NAME=0 or NAME=1)\n", argv[i]);
            return 2;
        }
    }
    if (mask && linestate_write(argv[1], mask, lines) != 0) {
        perror(argv[1]);
        return 1;
    }
    if (linestate_read(argv[1], &lines) != 0) {
        perror(argv[1]);
        return 1;
    }
    for (size_t k = 0; k < sizeof names / sizeof names[0]; k++)
        printf("%s%s=%d", k ? " " : "", names[k].name, (lines & names[k].bit) ? 1 : 0);
    printf("\n");
    return 0;
}
