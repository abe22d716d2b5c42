#!/usr/bin/env bash
# The serial rig of the write-safety test, in a Wine prefix of that test's own: on COM2 a
# regulator simulator in site mode (site 17) at 9600 baud whose memory is a consistent regulator
# (each setting's working copy in RAM equals its EEPROM home, and the unlock cell already holds
# the unlock byte), so that programming back what was read leaves the memory as it was; its
# settings are the demo regulator's, all within the settings editor's limits, so a file saved
# from it loads. On COM3 another such regulator (another memory, random settings), also site 17
# at 9600 baud.
#   writesafe_rig.sh start|stop PREFIX RIGDIR
set -euo pipefail
. "$(dirname "$0")/rig_lib.sh"

if [ "$cmd" = stop ]; then rig_stop 2 3; exit 0; fi
rig_fresh 2 3
python3 - "$dir/mem2.bin" "$dir/mem3.bin" "$(dirname "$0")/../sim" <<'PY'
import random, sys
sys.path.insert(0, sys.argv[3])
import demo_image
demo = demo_image.build()
for seed, path in ((2026, sys.argv[1]), (2027, sys.argv[2])):
    mem = bytearray(random.Random(seed).randrange(256) for _ in range(512))
    if seed == 2026:
        mem[0], mem[64:95] = demo[0], demo[64:95]   # a Ruka v2 on a 24 V bank
    for a in range(64, 95):      # the working copies 64..94 and their EEPROM homes 14..44
        mem[a + 206] = mem[a]
    mem[250] = 0xA5              # the unlock cell
    mem[301] = 3                 # a valid day pointer
    open(path, "wb").write(mem)
PY
"$rig" name "$dir" 2 3
"$rig" start "$dir" 2 --site 17 --baud 9600
"$rig" start "$dir" 3 --site 17 --baud 9600
