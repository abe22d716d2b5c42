#!/usr/bin/env bash
# The serial rig of the single-command and options tests, in a Wine prefix of their own:
#   COM1  a single regulator, memory of random bytes;
#   COM2  a regulator at site 17 of a network (5-byte site frames), memory of random bytes;
#   COM3  a single regulator whose history page already holds the clear pattern except at a
#         few positions (so a clear run has a little to mend);
#   COM4  a single regulator, memory of random bytes (a test run rewrites its history page).
#   single_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
. "$(dirname "$0")/rig_lib.sh"

if [ "$cmd" = stop ]; then rig_stop 1 2 3 4; exit 0; fi
rig_fresh 1 2 3 4
rig_random_memory 1 2 4
python3 - "$dir/mem3.bin" <<'PY'
import os, sys
mem = bytearray(os.urandom(512))
mem[301] = 0                      # day pointer
mem[302] = 0                      # first byte of the ring
for a in range(303, 512):
    mem[a] = 255
for a in (302, 303, 340, 401, 455, 511):   # a few bytes to mend
    mem[a] = 0x5A
open(sys.argv[1], "wb").write(mem)
PY
"$rig" name "$dir" 1 2 3 4
"$rig" start "$dir" 1
"$rig" start "$dir" 2 --site 17
"$rig" start "$dir" 3
"$rig" start "$dir" 4
