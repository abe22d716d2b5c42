#!/usr/bin/env bash
# End to end: the real link on the real com port (linkdriver.exe under Wine) against the
# regulator simulator on a pseudo-terminal, through the serial rig on COM37.
# Checks that every kind reads back the simulator's memory exactly (at each line speed and in
# site mode), that a setting write and a bulk programming land in its memory, that a silent
# regulator fails a read with a clear status and the next read works, that the frames are paced,
# and that pulling the device mid-read fails the read without a hang and the port opens again.
# Usage: link-e2e.sh [--all]   (--all: every kind at every speed; slow at 300 baud)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
rig="$root/tests/sim/serialrig"
exe="${LINKDRIVER:-$root/build/win32/tests/serial/linkdriver.exe}"
prefix="${TALVIK_WINEPREFIX:-$root/build/win32/wineprefix}"
export TALVIK_WINEPREFIX="$prefix"
port=37
dir="$(mktemp -d)"
all=0
[ "${1:-}" = "--all" ] && all=1
fails=0
cleanup() { "$rig" stop "$dir" "$port" >/dev/null 2>&1 || true; rm -rf "$dir"; }
trap cleanup EXIT

fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
# The program's own messages on stderr, without the Wine server's object dump.
errtext() { grep -v '^0x\|^ ' "$dir/err" | tr '\n' ' ' | cut -c1-200; }
drive() { (eval "$("$rig" env "$dir" "$port")"; "$root/scripts/wine-run" --prefix "$prefix" "$exe" "$@"); }

# A memory image with a valid day pointer.
python3 - "$dir/mem.bin" <<'PY'
import random, sys
random.seed(7)
m = bytearray(random.randrange(256) for _ in range(512))
m[301] = 11
open(sys.argv[1], "wb").write(m)
PY

start_sim() { "$rig" start "$dir" "$port" --memory "$dir/mem.bin" "$@" >/dev/null; }
restart_sim() { "$rig" sim "$dir" "$port" --memory "$dir/mem.bin" "$@" >/dev/null; }

check_read() {  # check_read BAUD KIND [SITE]
    local baud="$1" kind="$2" site="${3:-0}" out
    local args=(--port "$port" --baud "$baud")
    [ "$site" -gt 0 ] && args+=(--site "$site")
    if ! out="$(drive "${args[@]}" read "$kind" 2>"$dir/err")"; then
        fail "read kind $kind at $baud baud (site $site): $(errtext)"
        return
    fi
    printf '%s\n' "$out" >"$dir/out"
    if ! python3 - "$dir/mem.bin" "$dir/out" <<'PY'; then
import sys
mem = open(sys.argv[1], "rb").read()
lines = [l for l in open(sys.argv[2]).read().split() if l]
bad = [l for l in lines if mem[int(l.split("=")[0])] != int(l.split("=")[1])]
if not lines or bad:
    print("  %d lines, mismatches: %s" % (len(lines), bad[:5]))
    sys.exit(1)
PY
        fail "read kind $kind at $baud baud (site $site) does not match the memory"
    else
        echo "ok: kind $kind at $baud baud site $site ($(wc -l <"$dir/out") addresses)"
    fi
}

# Frames of one exchange are never closer than the 2-tick wait.
check_pacing() {
    python3 - "$dir/sim$port.log" <<'PY' || fail "frames closer than two ticks"
import sys
t = [int(l.split("\t")[0]) for l in open(sys.argv[1]) if l[:1].isdigit()]
gaps = [b - a for a, b in zip(t, t[1:]) if b - a < 1000]
print("pacing: %d frames, closest %d ms" % (len(t), min(gaps) if gaps else -1))
sys.exit(0 if not gaps or min(gaps) >= 105 else 1)
PY
}

for baud in 2400 9600 1200 300; do
    start_sim --baud "$baud"
    kinds="2 3 4 5 6 7 8 9 10 11"
    if [ "$all" = 0 ] && [ "$baud" -lt 2400 ]; then kinds="2 9 11"; fi
    for kind in $kinds; do check_read "$baud" "$kind"; done
    [ "$baud" = 2400 ] && check_pacing
    "$rig" stop "$dir" "$port" >/dev/null
done

# Site mode.
start_sim --baud 2400 --site 5
for kind in 2 4 9; do check_read 2400 "$kind" 5; done
"$rig" stop "$dir" "$port" >/dev/null

# A setting write and a bulk programming.
start_sim --baud 9600
if drive --port "$port" --baud 9600 write 290 123 2>"$dir/err"; then
    python3 -c "import sys; m=open('$dir/mem.bin','rb').read(); sys.exit(0 if m[290]==123 and m[84]==123 else 1)" \
        && echo "ok: setting write" || fail "setting write not in the simulator's memory"
else
    fail "setting write: $(errtext)"
fi
python3 - "$dir/image.bin" <<'PY'
import sys
m = bytearray(512)
for a in range(64, 95): m[a] = (a * 7 + 3) % 256
open(sys.argv[1], "wb").write(m)
PY
if drive --port "$port" --baud 9600 program "$dir/image.bin" 2>"$dir/err"; then
    python3 - "$dir/mem.bin" "$dir/image.bin" <<'PY' && echo "ok: bulk programming" || fail "bulk programming not in memory"
import sys
m = open(sys.argv[1], "rb").read(); i = open(sys.argv[2], "rb").read()
sys.exit(0 if all(m[a - 50 + 256] == i[a] and m[a] == i[a] for a in range(64, 95)) else 1)
PY
else
    fail "bulk programming: $(errtext)"
fi

# A silent regulator fails the read with a status; the next read works.
restart_sim --baud 9600 --silence always
if drive --port "$port" --baud 9600 read 2 >/dev/null 2>"$dir/err"; then
    fail "a read from a silent regulator succeeded"
else
    echo "ok: silent regulator: $(errtext)"
fi
restart_sim --baud 9600
check_read 9600 2

# The device goes away mid-read: the read fails (no hang), and the port opens again.
drive --port "$port" --baud 2400 read 10 >/dev/null 2>"$dir/err" &
pid=$!
sleep 4
"$rig" unplug "$dir" "$port"
waited=0
while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 90 ]; do sleep 1; waited=$((waited + 1)); done
if kill -0 "$pid" 2>/dev/null; then
    fail "the read hung after the device went away"
    kill "$pid" 2>/dev/null || true
elif wait "$pid"; then
    fail "the read succeeded although the device went away"
else
    echo "ok: device pulled mid-read: $(errtext)"
fi
"$rig" plug "$dir" "$port"
sleep 1
check_read 9600 2

if [ "$fails" -gt 0 ]; then
    echo "$fails check(s) failed"
    exit 1
fi
echo "all end-to-end checks passed"
