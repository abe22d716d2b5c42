#!/usr/bin/env bash
# Serial library figures under Wine: timer-trigger firing delays against their tick windows
# and the CPU cost of an open, idle port. Builds the Windows tree first if needed.
# Usage: bench/serial-bench.sh [samples] [idle-seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j4 --target serial_bench >/dev/null
exe="$root/build/win32/tests/serial/serial_bench.exe"
tests/serial/with-pty.sh 31:32 -- "$exe" '\\.\COM31' "${1:-40}" "${2:-10}"
