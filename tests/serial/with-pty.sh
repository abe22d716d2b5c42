#!/usr/bin/env bash
# Runs a Windows test program with pseudo-terminal pairs behind chosen COM ports of the test
# prefix. Each "A:B" argument before "--" joins COMA and COMB through one pair, like a null-modem
# cable. The pairs and the links are removed afterwards. With --shim the modem-line shim of the
# native tree serves the first port of each pair (state file DIR/comA.lines, DIR named in
# TALVIK_PTY_DIR), and TALVIK_MODEMLINE_STALL names DIR/stall, the shim's stalled-read flag.
# Usage: with-pty.sh [--shim] 31:32 [33:34 ...] -- program.exe [args...]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="${TALVIK_WINEPREFIX:-$root/build/win32/wineprefix}"
pairs=()
shim=0
if [ "${1:-}" = "--shim" ]; then shim=1; shift; fi
while [ $# -gt 0 ] && [ "$1" != "--" ]; do pairs+=("$1"); shift; done
shift
tmp="$(mktemp -d)"
pids=()
links=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for l in "${links[@]}"; do rm -f "$l"; done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap "exit 1" INT TERM
if [ ! -f "$prefix/.talvik-ready" ]; then
    "$root/scripts/wine-run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1 || true
fi
for p in "${pairs[@]}"; do
    a="${p%%:*}"
    b="${p##*:}"
    socat PTY,link="$tmp/com$a",raw,echo=0 PTY,link="$tmp/com$b",raw,echo=0 2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do
        [ -e "$tmp/com$a" ] && [ -e "$tmp/com$b" ] && break
        sleep 0.05
    done
    ln -sfn "$tmp/com$a" "$prefix/dosdevices/com$a"
    ln -sfn "$tmp/com$b" "$prefix/dosdevices/com$b"
    links+=("$prefix/dosdevices/com$a" "$prefix/dosdevices/com$b")
done
export TALVIK_PTY_PIDS="${pids[*]}"
export TALVIK_PTY_DIR="$tmp"
if [ "$shim" = 1 ]; then
    native="${TALVIK_NATIVE_BUILD:-$root/build/native}"
    ptys=()
    for p in "${pairs[@]}"; do
        a="${p%%:*}"
        printf 'DTR=0 RTS=0 DCD=0 DSR=0 CTS=0 RI=0\n' >"$tmp/com$a.lines"
        ptys+=("$tmp/com$a")
    done
    export LD_PRELOAD="$native/tests/fakes/modemline/\$LIB/libmodemline.so"
    export TALVIK_MODEMLINE_PTYS="$(IFS=:; echo "${ptys[*]}")"
    export TALVIK_MODEMLINE_STALL="$tmp/stall"
fi
"$root/scripts/wine-run" --prefix "$prefix" "$@"
