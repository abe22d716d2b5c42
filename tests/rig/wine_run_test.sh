#!/usr/bin/env bash
# Tests of scripts/wine-run with its probe program (wine_run_probe.exe).
#   wine_run_test.sh crash WINE_RUN PREFIX PROBE
#       Under the test display a crashing program ends within seconds, with a failing exit code
#       and its backtrace in its output (not a crash dialog waiting for a click).
#   wine_run_test.sh output WINE_RUN PREFIX PROBE
#       What the program writes to both outputs keeps its order when they are one place, the
#       exit code passes through, and a run ended by TERM or KILL leaves no file in the temporary
#       folder. Uses a prefix of its own: the temporary folder is the test's, and Wine keeps its
#       server's socket there too.
set -uo pipefail
what="$1" wine_run="$2" prefix="$3" probe="$4"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

case "$what" in
crash)
    [ -n "${DISPLAY:-}" ] || { echo "FAIL: needs the test display (DISPLAY)"; exit 1; }
    # Making the prefix is not part of the time the crash may take.
    "$wine_run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1
    start=$SECONDS
    out="$(timeout -k 5 40 "$wine_run" --prefix "$prefix" "$probe" crash 2>&1)"
    rc=$?
    took=$((SECONDS - start))
    printf '%s\n' "$out"
    echo "-- exit code $rc after ${took} s"
    if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
        fail "the crashed program was still running after 40 s (a crash dialog waits for a click)"
    elif [ "$rc" = 0 ]; then
        fail "a crashed program ended with exit code 0"
    fi
    [ "$took" -le 20 ] || fail "the crashed program took $took s to end"
    grep -q '^Backtrace:' <<<"$out" || fail "no backtrace in the output"
    grep -q 'in wine_run_probe' <<<"$out" || fail "the backtrace names no frame of the program"
    ;;
output)
    tmp="$(mktemp -d)"
    export TMPDIR="$tmp"
    cleanup() {
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
        rm -rf "$tmp"
    }
    trap cleanup EXIT
    # Nothing but Wine's server folder may stay in the temporary folder.
    leftovers() { find "$tmp" -mindepth 1 -maxdepth 1 ! -name 'wine-*' -printf '%f\n'; }

    # Output and error into one place: the order of the lines is the order of the writes.
    got="$("$wine_run" --prefix "$prefix" "$probe" turns 400 2>&1)"
    got="${got//$'\r'/}"
    want="$(for i in $(seq 400); do if [ $((i % 2)) = 1 ]; then echo "out $i"; else echo "err $i"; fi; done)"
    if [ "$got" != "$want" ]; then
        fail "the lines of output and error lost their order with 2>&1:"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") | head -10
    fi
    # Into two places: each gets its own lines.
    "$wine_run" --prefix "$prefix" "$probe" turns 20 >"$tmp/out.txt" 2>"$tmp/err.txt"
    [ "$(grep -c '^out' "$tmp/out.txt")" = 10 ] && ! grep -q '^err' "$tmp/out.txt" || fail "standard output holds: $(cat "$tmp/out.txt")"
    [ "$(grep -c '^err' "$tmp/err.txt")" = 10 ] && ! grep -q '^out' "$tmp/err.txt" || fail "standard error holds: $(cat "$tmp/err.txt")"
    rm -f "$tmp/out.txt" "$tmp/err.txt"
    # The exit code passes through.
    "$wine_run" --prefix "$prefix" "$probe" exit 7 >/dev/null 2>&1
    rc=$?
    [ "$rc" = 7 ] || fail "exit code 7 came through as $rc"

    # Ended by a time-out: TERM ends the program with it; KILL ends only the script (ctest kills
    # the rest of the tree). Neither leaves a file behind.
    for sig in TERM KILL; do
        start=$SECONDS
        timeout -s "$sig" 3 "$wine_run" --prefix "$prefix" "$probe" wait >/dev/null 2>&1
        rc=$?
        if [ "$sig" = TERM ]; then
            [ $((SECONDS - start)) -le 15 ] || fail "after TERM the script took $((SECONDS - start)) s to end"
            [ "$rc" = 124 ] || fail "after TERM the exit code was $rc"
        fi
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
        left="$(leftovers)"
        [ -z "$left" ] || fail "after $sig the temporary folder holds: $left"
        find "$tmp" -mindepth 1 -maxdepth 1 ! -name 'wine-*' -exec rm -rf {} +
    done
    ;;
*)
    echo "usage: $0 crash|output WINE_RUN PREFIX PROBE" >&2
    exit 2
    ;;
esac
[ "$failed" = 0 ] && echo "wine-run: all checks passed"
exit "$failed"
