#!/usr/bin/env bash
# Runs the link's Win32 test with COM11 linked to one end of a fresh pseudo-terminal pair and
# COM12 linked to nothing, then removes the pair and the links again.
# Usage: comprobe.sh WINE_RUN PREFIX TEST_EXE [args...]
set -euo pipefail
wine_run="$1"; prefix="$2"; shift 2
present=11
absent=12
tmp="$(mktemp -d)"
ptyA="$tmp/ptyA"
ptyB="$tmp/ptyB"

# The prefix must exist before its device links are made.
if [ ! -f "$prefix/.talvik-ready" ]; then
    "$wine_run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1 || true
fi

socat -d PTY,link="$ptyA",raw,echo=0 PTY,link="$ptyB",raw,echo=0 &
socat_pid=$!
cleanup() {
    rm -f "$prefix/dosdevices/com$present" "$prefix/dosdevices/com$absent"
    kill "$socat_pid" 2>/dev/null || true
    wait "$socat_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
trap "exit 1" INT TERM
for _ in $(seq 1 100); do
    [ -e "$ptyA" ] && break
    sleep 0.05
done
[ -e "$ptyA" ] || { echo "socat did not create $ptyA" >&2; exit 1; }
ln -sf "$ptyA" "$prefix/dosdevices/com$present"
rm -f "$prefix/dosdevices/com$absent"

TALVIK_PRESENT_COM=$present TALVIK_ABSENT_COM=$absent "$wine_run" --prefix "$prefix" "$@"
