#!/usr/bin/env bash
# The serial rig of the main window's telephony test, in a Wine prefix of that test's own: the
# regulator on the direct line (COM1) and the station that telephony calls reach (COM81), each a
# regulator simulator with its memory filled with random bytes.
#   maintapi_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rig="$here/../sim/serialrig"
cmd="$1"
export WINEPREFIX="$2"
dir="$3"
case "$cmd" in
start)
    mkdir -p "$dir"
    for n in 1 81; do
        "$rig" stop "$dir" $n >/dev/null 2>&1 || true
        rm -f "$dir/sim$n.log"
        head -c 512 /dev/urandom >"$dir/mem$n.bin"
    done
    # Ports named here keep their links when Wine's mount manager starts (see mainlink_rig.sh).
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM1"="%s"\n"COM81"="%s"\n' \
        "$dir/com1" "$dir/com81" >"$dir/ports.reg"
    "$here/../../scripts/wine-run" --prefix "$WINEPREFIX" regedit /s "Z:$dir/ports.reg" >/dev/null 2>&1
    wineserver -w
    "$rig" start "$dir" 1
    "$rig" start "$dir" 81
    ;;
stop)
    "$rig" stop "$dir" 1
    "$rig" stop "$dir" 81
    ;;
*)
    echo "usage: $0 start|stop PREFIX RIGDIR" >&2
    exit 2
    ;;
esac
