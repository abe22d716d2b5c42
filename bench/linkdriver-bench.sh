#!/usr/bin/env bash
# Figures of the link on a real com port under Wine, against regsim on a pseudo-terminal pair:
# kind 2 and kind 10 read times against their tick budget, the CPU cost of an open, idle port
# over 10 s, and peak memory. Builds what it needs first.
# Usage: bench/linkdriver-bench.sh [COM number, default 65]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset native >/dev/null
cmake --build --preset native -j3 --target regsim modemline >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j3 --target linkdriver link_idle >/dev/null
exec python3 "$root/bench/linkdriver_bench.py" --com "${1:-65}" \
    --linkdriver "$root/build/win32/tests/e2e/linkdriver.exe" \
    --idle "$root/build/win32/tests/e2e/link_idle.exe" \
    --native "$root/build/native" --serialrig "$root/tests/sim/serialrig" \
    --wine-run "$root/scripts/wine-run" --prefix "$root/build/win32/wineprefix" \
    --workdir "$root/build/win32/bench-work"
