#!/usr/bin/env bash
# Carries out a window test's requests on one simulator of its rig while the test runs: the test
# (a Windows program under Wine, which cannot run the rig's tools itself) writes "kill" (the
# simulator dies at once with its pseudo-terminal pair: the device is gone) or "start" (the pair, the
# port's link and the simulator come back on the same port, with the options given here) into
# DIR/requestN; the request is done when DIR/requestN.done appears. Ends on its own after an hour.
#   rig_serve.sh DIR N [regsim options]
set -uo pipefail
dir="$1"
n="$2"
shift 2
rig="$(cd "$(dirname "$0")/../sim" && pwd)/serialrig"
request="$dir/request$n"
rm -f "$request" "$request.done"
end=$((SECONDS + 3600))
while [ "$SECONDS" -lt "$end" ]; do
    if [ -f "$request" ]; then
        what="$(cat "$request")"
        result=ok
        case "$what" in
        kill)
            # The simulator dies at once, and its pseudo-terminal pair with it: the program's
            # open port loses its device.
            pid="$(cat "$dir/regsim$n.pid" 2>/dev/null)"
            if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || result="no simulator"; fi
            "$rig" stop "$dir" "$n" >"$dir/serve$n.out" 2>&1 || result="stop failed"
            ;;
        start)
            "$rig" start "$dir" "$n" "$@" >"$dir/serve$n.out" 2>&1 || result="start failed"
            ;;
        *) result="unknown request '$what'" ;;
        esac
        rm -f "$request"
        echo "$result" >"$request.done"
    fi
    sleep 0.1
done
