#!/usr/bin/env bash
# Figures of the link on the real com port under Wine (linkdriver.exe against regsim on COM37):
# kind 2 and kind 10 read times against their tick budget, the CPU cost of an open idle port over
# 10 s, and the peak memory of a read. Builds both trees' pieces first.
# Usage: bench/link-bench.sh [baud]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
baud="${1:-2400}"
cmake --preset native >/dev/null && cmake --build --preset native -j4 --target regsim modemline modemlines >/dev/null
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j4 --target serial_linkdriver serial_bench >/dev/null
prefix="$root/build/win32/wineprefix"
export TALVIK_WINEPREFIX="$prefix"
rig="$root/tests/sim/serialrig"
dir="$(mktemp -d)"
port=37
trap '"$rig" stop "$dir" $port >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
head -c 512 /dev/urandom >"$dir/mem.bin"
printf '\013' | dd of="$dir/mem.bin" bs=1 seek=301 conv=notrunc 2>/dev/null
"$rig" start "$dir" $port --memory "$dir/mem.bin" --baud "$baud" >/dev/null
eval "$("$rig" env "$dir" $port)"
exe="$root/build/win32/tests/serial/linkdriver.exe"

echo "link reads at $baud baud (each frame looked at once per 2-tick wait; a 2-tick trigger"
echo "fires 110..165 ms after arming)"
printf "%5s %7s %10s %12s %12s %8s %8s\n" kind frames "read s" "budget lo s" "budget hi s" "ratio hi" "peak MB"
for kind in 2 10; do
    : >"$dir/sim$port.log.mark"
    before=$(grep -c '^[0-9]' "$dir/sim$port.log" || true)
    /usr/bin/time -f "%M" -o "$dir/mem" "$root/scripts/wine-run" --prefix "$prefix" "$exe" \
        --port $port --baud "$baud" read $kind >/dev/null 2>"$dir/wine.err" </dev/null
    python3 - "$dir/sim$port.log" "$before" "$kind" "$(tail -1 "$dir/mem")" >>"$dir/rows" <<'PY'
import sys
lines = [l for l in open(sys.argv[1]) if l[:1].isdigit()][int(sys.argv[2]):]
t = [int(l.split("\t")[0]) for l in lines]
frames = len(t)
# The read runs from the first frame to the look after the last one (one 2-tick wait).
read = (t[-1] - t[0]) / 1000.0 + 0.165
lo, hi = frames * 0.110, frames * 0.165
print("%5s %7d %10.2f %12.2f %12.2f %8.3f %8.1f" % (sys.argv[3], frames, read, lo, hi, read / hi,
      int(sys.argv[4]) / 1024.0))
PY
done
cat "$dir/rows"
unset LD_PRELOAD
"$root/scripts/wine-run" --prefix "$prefix" "$root/build/win32/tests/serial/serial_bench.exe" \
    '\\.\COM'$port 1 10 >"$dir/idle" 2>/dev/null </dev/null
grep idle "$dir/idle"
