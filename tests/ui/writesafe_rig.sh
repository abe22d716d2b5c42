#!/usr/bin/env bash
# The serial rig of the write-safety test, in a Wine prefix of that test's own: on COM2 a
# regulator simulator in site mode (site 17) at 9600 baud whose memory is a consistent regulator
# (each setting's working copy in RAM equals its EEPROM home, and the unlock cell already holds
# the unlock byte), so that programming back what was read leaves the memory as it was. On COM3
# another such regulator (another memory), also site 17 at 9600 baud.
#   writesafe_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rig="$here/../sim/serialrig"
cmd="$1"
export WINEPREFIX="$2"
dir="$3"
case "$cmd" in
start)
    mkdir -p "$dir"
    "$rig" stop "$dir" 2 >/dev/null 2>&1 || true
    "$rig" stop "$dir" 3 >/dev/null 2>&1 || true
    rm -f "$dir"/sim2.log "$dir"/sim3.log
    python3 - "$dir/mem2.bin" "$dir/mem3.bin" <<'PY'
import random, sys
for seed, path in ((2026, sys.argv[1]), (2027, sys.argv[2])):
    mem = bytearray(random.Random(seed).randrange(256) for _ in range(512))
    for a in range(64, 95):      # the working copies 64..94 and their EEPROM homes 14..44
        mem[a + 206] = mem[a]
    mem[250] = 0xA5              # the unlock cell
    mem[301] = 3                 # a valid day pointer
    open(path, "wb").write(mem)
PY
    # Keep Wine's mount manager off COM2 and COM3 (see mainlink_rig.sh).
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM2"="%s"\n"COM3"="%s"\n' \
        "$dir/com2" "$dir/com3" >"$dir/ports.reg"
    "$here/../../scripts/wine-run" --prefix "$WINEPREFIX" regedit /s "Z:$dir/ports.reg" >/dev/null 2>&1
    wineserver -w
    "$rig" start "$dir" 2 --site 17 --baud 9600
    "$rig" start "$dir" 3 --site 17 --baud 9600
    ;;
stop)
    "$rig" stop "$dir" 2
    "$rig" stop "$dir" 3
    ;;
*)
    echo "usage: $0 start|stop PREFIX RIGDIR" >&2
    exit 2
    ;;
esac
