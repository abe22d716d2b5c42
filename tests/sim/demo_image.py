#!/usr/bin/env python3
"""Writes a 512-byte memory image of a believable regulator for the simulator.

A Ruka v2 on a 24 V bank, mid-afternoon in float: sensible voltages and currents, settings in
their usual ranges (each EEPROM home equal to its working copy in RAM, as in a regulator that has
just started) and a full 30-day history. Used by `scripts/run --sim` so that every window shows
data a user would recognise.

    demo_image.py OUTPUT
"""
import random
import sys

RUKA_V2 = 130          # type byte: Ruka (128..191), version 130 & 31 = 2
CODE_24V = 1           # voltage code in the low bits of address 93


def build():
    m = bytearray(512)

    def put(addr, value):
        if not 0 <= value <= 255:
            raise ValueError(f"address {addr}: {value} is not a byte")
        m[addr] = value

    def put16(addr, value):
        put(addr, value & 255)
        put(addr + 1, value >> 8)

    # Identity and scaling.
    put(0, RUKA_V2)
    put(93, CODE_24V)           # system voltage 24 V, program 0
    put(32, 16)                 # voltage divider: battery voltage = byte 221 + 150 tenths

    # Present state (current-data window, first page).
    put(221, 114)               # battery 26.4 V
    put(182, 142)               # today's high, 12 V scale: 28.4 V
    put(183, 122)               # today's low: 24.4 V
    put(207, 4 | 8)             # external charge and load shunts fitted, factor 1
    put(213, 62)                # internal charge 62 x 2 = 12.4 A
    put(205, 35)                # external charge 3.5 A
    put(217, 21)                # internal load 2.1 A
    put(206, 18)                # external load 1.8 A
    put16(188, 86)              # charge Ah today, internal
    put16(193, 24)              # ... external
    put16(198, 41)              # discharge Ah today, internal
    put16(203, 9)               # ... external
    put(101, 3)                 # regulation state FLOAT
    put(181, 87)                # state of charge %
    put(52, 23)                 # battery temperature oC

    # Second page (the list).
    put(48, 143)                # QV clock 14.3 hours
    put(184, 12)                # went to float 1.2 hours ago
    put(115, 0)                 # load connected, generator stopped, no alarm, event off
    put(63, 3)                  # days since boost
    put(95, 17)                 # days since equalisation
    put(96, 5)                  # days since generator exercise
    put(21, 180)                # PWM duty 70 %
    put(53, 80)                 # solar input 40.0 V
    put(37, 18)                 # day, day/night counter 18
    put(98, 15)                 # event conditions all off
    put(50, 137)                # compensated voltage 27.4 V

    # Settings (12 V scale tenths where they are voltages).
    settings = {
        33: 0x80,   # settings adjustable (not locked), calibration signs positive
        69: 115,    # LOFF 23.0 V
        70: 126,    # L ON 25.2 V
        71: 5,      # LDEL 5 min
        87: 144,    # BMAX 28.8 V
        85: 150,    # EMAX 30.0 V
        83: 20,     # ETIM 2.0 h
        82: 60,     # EFRQ 60 days
        84: 143,    # ABSV 28.6 V
        74: 15,     # ATIM 1.5 h
        86: 137,    # FLTV 27.4 V
        75: 3,      # HYST 0.6 V
        76: 125,    # BRTN 25.0 V
        77: 60,     # CHRG 30.0 A
        73: 20,     # BFRQ 20 days
        92: 0x10,   # TCMP profile 1, generator mode 0 (battery voltage)
        88: 0,      # LSET / GSET functions
        89: 0x01,   # BSET 0, PWM on
        78: 136,    # BAT2 27.2 V
        94: 20,     # BCAP 400 Ah
        72: 115,    # ALRM 23.0 V
        102: 0,     # RSET
        90: 0,      # event start and stop on solar voltage
        79: 40,     # start at 20.0 V
        80: 60,     # stop at 30.0 V
        91: 0,      # no second or third event condition
        81: 0,
        116: 0,     # generator toggle off
        64: 118,    # generator on below 23.6 V
        65: 130,    # GOFF generator off at 26.0 V
        66: 10,     # GDEL 10 min before the start
        67: 30,     # GEXD every 30 days
        68: 20,     # GRUN 2.0 h
    }
    for addr, value in settings.items():
        put(addr, value)

    # Calibration: gains near the middle, small offsets.
    for addr, value in {34: 128, 35: 127, 36: 129, 214: 131, 215: 2, 218: 126, 219: 1,
                        230: 128, 231: 0, 234: 124, 235: 3, 238: 128, 239: 0}.items():
        put(addr, value)

    # EEPROM homes of the working settings 64..94 (EEPROM 14..44, image 270..300); 299 is the
    # history's voltage code, the home of address 93.
    for ram in range(64, 95):
        put(ram + 206, m[ram])

    # 30 days of history: day pointer at 301, records of 7 bytes from 302.
    rng = random.Random(2026)
    today = 29
    put(301, today)
    for day in range(30):
        sunny = 0.55 + 0.45 * rng.random()
        charge = int(40 + 110 * sunny)
        discharge = int(35 + 25 * rng.random())
        rec = 302 + 7 * day
        put(rec + 0, int(138 + 6 * sunny))          # high 27.6 .. 28.8 V
        put(rec + 1, int(124 - 6 * (1 - sunny)))    # low 23.6 .. 24.8 V
        put(rec + 2, int(10 + 50 * sunny))          # float time, tenths of an hour
        put(rec + 3, int(60 + 38 * sunny))          # state of charge %
        put(rec + 4, charge & 255)
        put(rec + 5, discharge & 255)
        put(rec + 6, (charge >> 8) | ((discharge >> 8) << 4))
    return bytes(m)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    with open(sys.argv[1], "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main()
