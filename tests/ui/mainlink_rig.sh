#!/usr/bin/env bash
# The serial rig of the main window's link test, in a Wine prefix of that test's own: the
# regulator simulator on COM1 (its memory filled with random bytes, but for a day pointer that a
# history read takes), a simulator that never answers on COM72 (also reachable as COM75), one
# that floods the line with reply-shaped bytes on COM70, and no COM73 or COM74.
#   mainlink_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
. "$(dirname "$0")/rig_lib.sh"

if [ "$cmd" = stop ]; then
    rig_stop 1 72 70
    rm -f "$WINEPREFIX/dosdevices/com75"
    exit 0
fi
rig_fresh 1 72 70
rig_random_memory 1
# A history read stops at a day pointer that names no day: COM1's points at day 7.
printf '\007' | dd of="$dir/mem1.bin" bs=1 seek=301 conv=notrunc status=none
"$rig" name "$dir" 1 72 75=72 70
"$rig" start "$dir" 1
"$rig" start "$dir" 72 --silence always
"$rig" start "$dir" 70 --baud 2400 --babble-after 0 --babble-bytes reply
ln -sfn "$dir/com72" "$WINEPREFIX/dosdevices/com75"
rm -f "$WINEPREFIX/dosdevices/com73" "$WINEPREFIX/dosdevices/com74"
