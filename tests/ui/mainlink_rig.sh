#!/usr/bin/env bash
# The serial rig of the main window's link test, in a Wine prefix of that test's own: the
# regulator simulator on COM1 (its memory filled with random bytes), a simulator that never
# answers on COM72 (also reachable as COM75), one that floods the line with reply-shaped bytes on
# COM70, and no COM73 or COM74.
#   mainlink_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rig="$here/../sim/serialrig"
cmd="$1"
export WINEPREFIX="$2"
dir="$3"
case "$cmd" in
start)
    mkdir -p "$dir"
    "$rig" stop "$dir" 1 >/dev/null 2>&1 || true
    "$rig" stop "$dir" 72 >/dev/null 2>&1 || true
    "$rig" stop "$dir" 70 >/dev/null 2>&1 || true
    rm -f "$dir"/sim1.log "$dir"/sim72.log "$dir"/sim70.log
    head -c 512 /dev/urandom >"$dir/mem1.bin"
    # Wine's mount manager links the machine's serial devices to the first free COM numbers each
    # time the prefix starts, so /dev/ttyS0 would take COM1 back from the rig. Ports named under
    # this key are its own choice and keep their links. Set before the rig makes its links, and
    # let that Wine session end, so its start cannot undo them.
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM1"="%s"\n"COM72"="%s"\n"COM75"="%s"\n"COM70"="%s"\n' \
        "$dir/com1" "$dir/com72" "$dir/com72" "$dir/com70" >"$dir/ports.reg"
    "$here/../../scripts/wine-run" --prefix "$WINEPREFIX" regedit /s "Z:$dir/ports.reg" >/dev/null 2>&1
    wineserver -w
    "$rig" start "$dir" 1
    "$rig" start "$dir" 72 --silence always
    "$rig" start "$dir" 70 --baud 2400 --babble-after 0 --babble-bytes reply
    ln -sfn "$dir/com72" "$WINEPREFIX/dosdevices/com75"
    rm -f "$WINEPREFIX/dosdevices/com73" "$WINEPREFIX/dosdevices/com74"
    ;;
stop)
    "$rig" stop "$dir" 1
    "$rig" stop "$dir" 72
    "$rig" stop "$dir" 70
    rm -f "$WINEPREFIX/dosdevices/com75"
    ;;
*)
    echo "usage: $0 start|stop PREFIX RIGDIR" >&2
    exit 2
    ;;
esac
