#!/usr/bin/env bash
# Figures of the link on a real com port under Wine, against regsim on a pseudo-terminal pair:
# read times of kinds 2, 10 (9600 baud), 4 (2400) and 3 (300) against their tick budget and the
# smallest gap between frames, the CPU cost of an open, idle port over 10 s (the link on its own,
# and talvik.exe after a current-data read), and peak memory. Builds what it needs first; starts
# an X server of its own when DISPLAY is not set.
# Before them, reads of kinds 2 (9600 baud) and 4 (2400) many times in a row: the reads that
# asked an address again, the re-asks in all, the median and the slowest read.
# Usage: bench/linkdriver-bench.sh [COM number, default 65] [--only-talvik | --only-series]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset native >/dev/null
cmake --build --preset native -j3 --target regsim modemline >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j3 --target linkdriver link_idle talvik_poke talvik >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    . "$root/scripts/xvfb-lib.sh"
    start_xvfb 121 150 || { echo "no X display could be started" >&2; exit 1; }
    export DISPLAY="$xvfb_display"
    xvfb=$xvfb_pid
    trap 'kill $xvfb 2>/dev/null || true' EXIT
fi
python3 "$root/bench/linkdriver_bench.py" --com "${1:-65}" ${2:+"$2"} \
    --linkdriver "$root/build/win32/tests/e2e/linkdriver.exe" \
    --talvik "$root/build/win32/src/ui/talvik.exe" --poke "$root/build/win32/tests/e2e/talvik_poke.exe" \
    --idle "$root/build/win32/tests/e2e/link_idle.exe" \
    --native "$root/build/native" --serialrig "$root/tests/sim/serialrig" \
    --wine-run "$root/scripts/wine-run" --prefix "$root/build/win32/wineprefix" \
    --workdir "$root/build/win32/bench-work"
