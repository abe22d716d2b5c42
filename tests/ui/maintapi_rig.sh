#!/usr/bin/env bash
# The serial rig of the main window's telephony test, in a Wine prefix of that test's own: the
# regulator on the direct line (COM1) and the station that telephony calls reach (COM81), each a
# regulator simulator with its memory filled with random bytes.
#   maintapi_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
. "$(dirname "$0")/rig_lib.sh"

if [ "$cmd" = stop ]; then rig_stop 1 81; exit 0; fi
rig_fresh 1 81
rig_random_memory 1 81
"$rig" name "$dir" 1 81
"$rig" start "$dir" 1
"$rig" start "$dir" 81
