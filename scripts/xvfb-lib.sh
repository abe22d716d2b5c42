# Sourced: start_xvfb FIRST LAST starts an Xvfb on the first display number from FIRST to LAST
# that it can claim, and sets xvfb_display (":N") and xvfb_pid; it returns 1 when none could be
# had. Several test runs or benchmarks may start at once on one machine, so a number that looks
# free is only a candidate: the server itself claims it (its lock file is made exclusively) and
# says on -displayfd once it is ready, or ends at once if another server was quicker, and then
# the next number is tried.
start_xvfb() {
    local first="$1" last="$2" n pid got ready
    xvfb_display=""
    xvfb_pid=""
    ready="$(mktemp -d)"
    mkfifo "$ready/fd"
    for n in $(seq "$first" "$last"); do
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$ready/fd" >/dev/null 2>&1 &
        pid=$!
        got="$(timeout 60 head -n 1 <"$ready/fd" || true)"
        if [ "$got" = "$n" ] && kill -0 "$pid" 2>/dev/null; then
            xvfb_display=":$n"
            xvfb_pid=$pid
            break
        fi
        kill "$pid" >/dev/null 2>&1 || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$ready"
    [ -n "$xvfb_display" ]
}
