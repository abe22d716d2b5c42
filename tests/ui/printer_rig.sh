#!/usr/bin/env bash
# A printer that Wine can see and whose output lands in files: a private CUPS scheduler whose one
# queue "TalvikFile" has a back end that writes each job's PostScript to RIGDIR/out/job-<id>.ps.
# Wine reaches it through its i386 libcups with CUPS_SERVER naming the scheduler's socket; nothing
# of the machine's own printing system is touched or needed.
#   printer_rig.sh start|stop RIGDIR
#   printer_rig.sh run RIGDIR program [args...]   runs the program with CUPS_SERVER set
# A socket's path must fit in about 100 bytes, and RIGDIR lies as deep as the checkout: the socket
# is in a short folder of the rig's own under the temporary folder, made at start (RIGDIR/sockdir
# names it) and removed at stop. Another checkout's rig has another folder.
set -euo pipefail
cmd="$1"
dir="$(mkdir -p "$2" && cd "$2" && pwd)"
shift 2

stop_scheduler() {
    if [ -f "$dir/cupsd.pid" ]; then
        pid="$(cat "$dir/cupsd.pid")"
        # Only the scheduler this rig started, and only while it is still that program.
        if [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "cupsd -f -c $dir/cupsd.conf"; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/cupsd.pid"
    fi
    # Only the socket folder this rig made.
    if [ -f "$dir/sockdir" ]; then
        old="$(cat "$dir/sockdir")"
        case "$old" in
        */talvik-cups.??????) rm -rf "$old" ;;
        esac
        rm -f "$dir/sockdir"
    fi
}

case "$cmd" in
start)
    stop_scheduler
    base="${TMPDIR:-/tmp}"
    [ "${#base}" -le 60 ] || base=/tmp
    sockdir="$(mktemp -d "$base/talvik-cups.XXXXXX")"
    echo "$sockdir" >"$dir/sockdir"
    chmod 755 "$sockdir"
    sock="$sockdir/cups.sock"
    rm -rf "$dir/spool" "$dir/cache" "$dir/state" "$dir/tmp" "$dir/log" "$dir/out" "$dir/bin" "$dir/ppd"
    mkdir -p "$dir/spool" "$dir/cache" "$dir/state" "$dir/tmp" "$dir/log" "$dir/out" "$dir/bin/backend" "$dir/ppd"
    chmod 1777 "$dir/out" "$dir/tmp"
    # The scheduler's helpers from the system, with a back end of the rig's own beside them.
    for d in filter daemon notifier cgi-bin monitor driver; do
        [ -e "/usr/lib/cups/$d" ] && ln -sfn "/usr/lib/cups/$d" "$dir/bin/$d"
    done
    cat >"$dir/bin/backend/talvikfile" <<'BACKEND'
#!/bin/sh
# talvikfile:/DIR - each job's data lands in DIR/job-<id>.ps, whole (renamed when complete).
if [ $# -eq 0 ]; then echo 'file talvikfile "Unknown" "TALVIK test printer"'; exit 0; fi
out="${DEVICE_URI#talvikfile:}/job-$1.ps"
if [ -n "${6:-}" ]; then cat "$6" >"$out.part"; else cat >"$out.part"; fi || exit 1
mv "$out.part" "$out"
BACKEND
    # Mode 0700 makes a scheduler running as root run the back end as root too.
    chmod 700 "$dir/bin/backend/talvikfile"
    cat >"$dir/cupsd.conf" <<CONF
Listen $sock
LogLevel info
Browsing No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
StateDir $dir/state
CacheDir $dir/cache
RequestRoot $dir/spool
TempDir $dir/tmp
ServerBin $dir/bin
DataDir /usr/share/cups
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
CONF
    cat >"$dir/printers.conf" <<CONF
<DefaultPrinter TalvikFile>
Info TALVIK test printer
DeviceURI talvikfile:$dir/out
State Idle
Accepting Yes
Shared No
</DefaultPrinter>
CONF
    chmod 644 "$dir/cupsd.conf" "$dir/cups-files.conf" "$dir/printers.conf"
    cupsd_bin="$(command -v cupsd || echo /usr/sbin/cupsd)"
    setsid "$cupsd_bin" -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid"
    for _ in $(seq 100); do
        if CUPS_SERVER="$sock" lpstat -p TalvikFile >/dev/null 2>&1; then
            echo "printer rig: TalvikFile on $sock"
            exit 0
        fi
        sleep 0.1
    done
    echo "printer rig: the scheduler did not come up" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop_scheduler
    exit 1
    ;;
stop)
    stop_scheduler
    ;;
run)
    [ -f "$dir/sockdir" ] || { echo "printer rig: not started in $dir" >&2; exit 1; }
    CUPS_SERVER="$(cat "$dir/sockdir")/cups.sock" exec "$@"
    ;;
*)
    echo "usage: $0 start|stop RIGDIR, or run RIGDIR program [args...]" >&2
    exit 2
    ;;
esac
