/* The modem-line state file shared by the modem-line shim (the program's side: DTR and RTS) and
 * the simulators (the device's side: DCD, DSR, CTS and RI). One text line such as
 *   DTR=1 RTS=0 DCD=0 DSR=1 CTS=1 RI=0
 * Each side changes only its own lines, by overwriting the single digit after "NAME=" in place,
 * so the two sides never undo each other's changes and need no lock. */
#ifndef TALVIK_LINESTATE_H
#define TALVIK_LINESTATE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Bit per line; the same values as the kernel's TIOCM_* bits. */
enum {
    LINE_DTR = 0x002,
    LINE_RTS = 0x004,
    LINE_CTS = 0x020,
    LINE_DCD = 0x040,
    LINE_RI = 0x080,
    LINE_DSR = 0x100,
};

/* Reads the lines that are set; a missing file or line counts as all lines low. Returns 0, or
 * -1 when the file exists but cannot be read. */
int linestate_read(const char* path, int* lines);

/* Sets the lines in mask to their value in lines, leaving every other line as it is. Creates the
 * file (all lines low) when it does not exist. Returns 0 or -1. */
int linestate_write(const char* path, int mask, int lines);

#ifdef __cplusplus
}
#endif

#endif
