# Sourced by the window tests' rig scripts (NAME_rig.sh start|stop PREFIX RIGDIR): reads the
# arguments into $cmd, $dir and the exported WINEPREFIX (the test's own prefix), and gives the
# script $rig (tests/sim/serialrig) and the helpers below.
rig="$(cd "$(dirname "${BASH_SOURCE[0]}")/../sim" && pwd)/serialrig"
if [ $# -ne 3 ] || { [ "$1" != start ] && [ "$1" != stop ]; }; then
    echo "usage: $0 start|stop PREFIX RIGDIR" >&2
    exit 2
fi
cmd="$1"
export WINEPREFIX="$2"
dir="$3"
mkdir -p "$dir"

# rig_fresh N...: stops what an earlier run left on these ports and drops their frame logs.
rig_fresh() {
    local n
    for n in "$@"; do
        "$rig" stop "$dir" "$n" >/dev/null 2>&1 || true
        rm -f "$dir/sim$n.log"
    done
}

# rig_random_memory N...: the simulators of these ports start from 512 random bytes.
rig_random_memory() {
    local n
    for n in "$@"; do head -c 512 /dev/urandom >"$dir/mem$n.bin"; done
}

# rig_stop N...: stops the simulators and pairs of these ports.
rig_stop() {
    local n
    for n in "$@"; do "$rig" stop "$dir" "$n"; done
}
