#!/usr/bin/env bash
# Runs a Windows test program with pseudo-terminal pairs behind chosen COM ports of the test
# prefix. Each "A:B" argument before "--" joins COMA and COMB through one pair, like a null-modem
# cable. The pairs and the links are removed afterwards.
# Usage: with-pty.sh 31:32 [33:34 ...] -- program.exe [args...]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="${TALVIK_WINEPREFIX:-$root/build/win32/wineprefix}"
pairs=()
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
"$root/scripts/wine-run" --prefix "$prefix" "$@"
