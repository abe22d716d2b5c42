#!/usr/bin/env bash
# Start-up of talvik.exe against a minimal window program with a status bar (bench/
# minimal_window.cpp, built as talvik.exe is), side by side under Wine in one run: each
# program's time from launch to its message loop ("Application.Run" on its debug channel),
# alternating, then the two medians and their ratio. Uses $DISPLAY, else an Xvfb of its own.
# Usage: bench/startup-bench.sh [runs]        (default 9)
#        bench/startup-bench.sh --trace       talvik.exe's debug lines with their times
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j4 --target talvik minimal_window startup_launch >/dev/null
bin="$root/build/win32"
# A prefix of the benchmark's own, so that no test's settings or ports come into it.
prefix="${TALVIK_BENCH_PREFIX:-$bin/bench-startup-prefix}"

if [ -z "${DISPLAY:-}" ]; then
    . "$root/scripts/xvfb-lib.sh"
    start_xvfb 121 150 || { echo "no X display could be started" >&2; exit 1; }
    export DISPLAY="$xvfb_display"
    trap 'WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi

# The programs as Windows paths (the launcher runs each in its own folder).
talvik="Z:$(echo "$bin/src/ui/talvik.exe" | tr / '\\')"
minimal="Z:$(echo "$bin/tests/e2e/minimal_window.exe" | tr / '\\')"
if [ "${1:-}" = "--trace" ]; then
    scripts/wine-run --prefix "$prefix" "$bin/tests/e2e/startup_launch.exe" --trace "${2:-$talvik}"
else
    scripts/wine-run --prefix "$prefix" "$bin/tests/e2e/startup_launch.exe" "${1:-9}" "$talvik" "$minimal"
fi
