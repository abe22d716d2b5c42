#!/usr/bin/env bash
# Success rate of programming the whole setting list with linkdriver under Wine against regsim on
# a noisy line (15 % bad replies, 5 % of write frames lost), and whether any success was false
# (either copy of a setting, EEPROM or RAM, not as programmed).
# Builds what it needs first.
# Usage: bench/noisy-program-bench.sh [COM number, default 71] [runs, default 11]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset native >/dev/null
cmake --build --preset native -j3 --target regsim modemline >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j3 --target linkdriver >/dev/null
python3 "$root/bench/noisy_program_bench.py" --com "${1:-71}" --runs "${2:-11}" \
    --linkdriver "$root/build/win32/tests/e2e/linkdriver.exe" \
    --native "$root/build/native" --serialrig "$root/tests/sim/serialrig" \
    --wine-run "$root/scripts/wine-run" --prefix "$root/build/win32/wineprefix" \
    --workdir "$root/build/win32/bench-work"
