#!/usr/bin/env bash
# The serial rig of the device-lost test, in a Wine prefix of that test's own: the write-safety
# rig's consistent regulator on COM2 (site 17 at 9600 baud), and rig_serve.sh taking the test's
# requests to kill that simulator and start it again.
#   devicelost_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/rig_lib.sh"

stop_server() {
    if [ -f "$dir/serve2.pid" ]; then
        kill "$(cat "$dir/serve2.pid")" 2>/dev/null || true
        rm -f "$dir/serve2.pid"
    fi
}
stop_server
"$here/writesafe_rig.sh" "$cmd" "$WINEPREFIX" "$dir"
[ "$cmd" = stop ] && exit 0
setsid "$here/rig_serve.sh" "$dir" 2 --site 17 --baud 9600 </dev/null >/dev/null 2>&1 &
echo $! >"$dir/serve2.pid"
