#!/usr/bin/env bash
# The serial rig of the single-command and options tests, in a Wine prefix of their own:
#   COM1  a single regulator, memory of random bytes;
#   COM2  a regulator at site 17 of a network (5-byte site frames), memory of random bytes;
#   COM3  a single regulator whose history page already holds the clear pattern except at a
#         few positions (so a clear run has a little to mend);
#   COM4  a single regulator, memory of random bytes (a test run rewrites its history page).
#   single_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rig="$here/../sim/serialrig"
cmd="$1"
export WINEPREFIX="$2"
dir="$3"
case "$cmd" in
start)
    mkdir -p "$dir"
    for n in 1 2 3 4; do "$rig" stop "$dir" $n >/dev/null 2>&1 || true; rm -f "$dir/sim$n.log"; done
    head -c 512 /dev/urandom >"$dir/mem1.bin"
    head -c 512 /dev/urandom >"$dir/mem2.bin"
    head -c 512 /dev/urandom >"$dir/mem4.bin"
    python3 - "$dir/mem3.bin" <<'PY'
import os, sys
mem = bytearray(os.urandom(512))
mem[301] = 0                      # day pointer
mem[302] = 0                      # first byte of the ring
for a in range(303, 512):
    mem[a] = 255
for a in (302, 303, 340, 401, 455, 511):   # a few bytes to mend
    mem[a] = 0x5A
open(sys.argv[1], "wb").write(mem)
PY
    # Name the rig's ports before the links are made (see mainlink_rig.sh).
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM1"="%s"\n"COM2"="%s"\n"COM3"="%s"\n"COM4"="%s"\n' \
        "$dir/com1" "$dir/com2" "$dir/com3" "$dir/com4" >"$dir/ports.reg"
    "$here/../../scripts/wine-run" --prefix "$WINEPREFIX" regedit /s "Z:$dir/ports.reg" >/dev/null 2>&1
    wineserver -w
    "$rig" start "$dir" 1
    "$rig" start "$dir" 2 --site 17
    "$rig" start "$dir" 3
    "$rig" start "$dir" 4
    ;;
stop)
    for n in 1 2 3 4; do "$rig" stop "$dir" $n; done
    ;;
*)
    echo "usage: $0 start|stop PREFIX RIGDIR" >&2
    exit 2
    ;;
esac
