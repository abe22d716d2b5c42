#!/usr/bin/env bash
# Tests of scripts/wine-run with its probe program (wine_run_probe.exe).
#   wine_run_test.sh crash WINE_RUN PREFIX PROBE
#       Under the test display a crashing program ends within seconds, with a failing exit code
#       and its backtrace in its output (not a crash dialog waiting for a click).
#   wine_run_test.sh window-crash WINE_RUN PREFIX PROBE
#       The same for a window program (no console), in a prefix made before its debugger was
#       set, and for two such crashes at once.
#   wine_run_test.sh output WINE_RUN PREFIX PROBE
#       What the program writes to both outputs keeps its order when they are one place, the
#       exit code passes through, and a run ended by TERM or KILL leaves no file in the temporary
#       folder. Uses a prefix of its own: the temporary folder is the test's, and Wine keeps its
#       server's socket there too.
set -uo pipefail
what="$1" wine_run="$2" prefix="$3" probe="$4"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A crash's run: its output, exit code and time are judged by judge_crash NAME OUT RC TOOK FRAME.
judge_crash() {
    local name="$1" out="$2" rc="$3" took="$4" frame="$5" tid
    if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
        fail "$name: the crashed program was still running after 40 s (a crash dialog waits for a click)"
    elif [ "$rc" = 0 ]; then
        fail "$name: a crashed program ended with exit code 0"
    fi
    [ "$took" -le 20 ] || fail "$name: the crashed program took $took s to end"
    grep -q '^Backtrace:' <<<"$out" || fail "$name: no backtrace in the output"
    [ "$(grep -c '^Backtrace:' <<<"$out")" -le 1 ] || fail "$name: more than one backtrace in the output"
    grep -q "in $frame " <<<"$out" || fail "$name: the backtrace names no frame of the program ($frame)"
    # The account is the one of this program's crash: the thread that Wine says crashed is the
    # debuggee's current thread in it.
    tid="$(sed -nE 's/.*thread ([0-9a-fA-F]+)\), starting debugger.*/\1/p' <<<"$out" | head -n 1)"
    if [ -z "$tid" ]; then
        fail "$name: no line of Wine's saying which thread crashed"
    else
        grep -qE "^$(printf '\t')$(printf '%08x' "0x$tid") .*<==" <<<"$out" ||
            fail "$name: the account shown is not that of thread $tid"
    fi
}
# run_crash PROBE: runs the probe's crash under the time-out; sets out, rc and took.
run_crash() {
    local start=$SECONDS
    out="$(timeout -k 5 40 "$wine_run" --prefix "$prefix" "$1" crash 2>&1)"
    rc=$?
    took=$((SECONDS - start))
}

case "$what" in
crash)
    [ -n "${DISPLAY:-}" ] || { echo "FAIL: needs the test display (DISPLAY)"; exit 1; }
    # Making the prefix is not part of the time the crash may take.
    "$wine_run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1
    run_crash "$probe"
    printf '%s\n' "$out"
    echo "-- exit code $rc after ${took} s"
    judge_crash "console program" "$out" "$rc" "$took" "$(basename "$probe" .exe)"
    ;;
window-crash)
    # A window program has no console for Wine's debugger. The prefix is one of the test's own,
    # set back to Wine's own debugger first, as a prefix made before scripts/wine-run set one.
    [ -n "${DISPLAY:-}" ] || { echo "FAIL: needs the test display (DISPLAY)"; exit 1; }
    "$wine_run" --prefix "$prefix" cmd /c exit >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    sed -i 's/^"Debugger"=".*talvik-aedebug.*"$/"Debugger"="winedbg --auto %ld %ld"/' "$prefix/system.reg"
    rm -f "$prefix/drive_c/windows/talvik-aedebug.cmd"
    grep -q '^"Debugger"="winedbg --auto %ld %ld"' "$prefix/system.reg" ||
        fail "the prefix could not be set back to Wine's own debugger"
    frame="$(basename "$probe" .exe)"
    run_crash "$probe"
    printf '%s\n' "$out"
    echo "-- exit code $rc after ${took} s"
    judge_crash "window program" "$out" "$rc" "$took" "$frame"

    # Two crashes at once in one prefix: each run shows its own account.
    tmp="$(mktemp -d)"
    for i in 1 2; do
        ( run_crash "$probe"; printf '%s\n' "$out" >"$tmp/out$i"; echo "$rc $took" >"$tmp/rc$i" ) &
    done
    wait
    for i in 1 2; do
        read -r rc took <"$tmp/rc$i"
        echo "-- run $i of two at once: exit code $rc after ${took} s"
        judge_crash "run $i of two at once" "$(cat "$tmp/out$i")" "$rc" "$took" "$frame"
    done
    [ "$failed" = 0 ] || cat "$tmp/out1" "$tmp/out2"
    rm -rf "$tmp"
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
    echo "usage: $0 crash|window-crash|output WINE_RUN PREFIX PROBE" >&2
    exit 2
    ;;
esac
[ "$failed" = 0 ] && echo "wine-run: all checks passed"
exit "$failed"
