#!/usr/bin/env bash
# The serial rig of the write-safety test, in a Wine prefix of that test's own: on COM2 a
# regulator simulator in site mode (site 17) at 9600 baud whose memory is a consistent regulator
# (each setting's working copy in RAM equals its EEPROM home, and the unlock cell already holds
# the unlock byte), so that programming back what was read leaves the memory as it was.
#   writesafe_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
. "$(dirname "$0")/rig_lib.sh"

if [ "$cmd" = stop ]; then rig_stop 2; exit 0; fi
rig_fresh 2
python3 - "$dir/mem2.bin" <<'PY'
import random, sys
mem = bytearray(random.Random(2026).randrange(256) for _ in range(512))
for a in range(64, 95):          # the working copies 64..94 and their EEPROM homes 14..44
    mem[a + 206] = mem[a]
mem[250] = 0xA5                  # the unlock cell
mem[301] = 3                     # a valid day pointer
open(sys.argv[1], "wb").write(mem)
PY
"$rig" name "$dir" 2
"$rig" start "$dir" 2 --site 17 --baud 9600
