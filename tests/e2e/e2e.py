#!/usr/bin/env python3
"""End-to-end scenarios of the regulator link: linkdriver.exe under Wine on a real com port,
a socat pseudo-terminal pair as the cable, and regsim as the regulator on the far end.

Each scenario builds its own rig on its own COM number (the prefix's dosdevices/comN link),
checks what linkdriver printed against the simulator's memory file, the frames the simulator
logged and the waits between them, and takes the rig down again, also when a check fails.

usage: e2e.py --case NAME --com N --linkdriver EXE --native NATIVE_BUILD --serialrig SCRIPT
              --wine-run SCRIPT --prefix WINEPREFIX --workdir DIR
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

# The link's timing and layout, from its own headers through the wirecheck program (load_link):
# the tick, the waits in ticks (first look, each further look, short and long write waits), the
# looks at one send, the sends of one read, the samples of one address, and each kind's count.
# Gaps between frames are checked where the program sends them (its trace): at the simulator, a
# frame held up in the rig (socat, the simulator) on a loaded machine shortens the next gap.
LINK = {}
KIND_COUNT = {}


def load_link(native):
    exe = os.path.join(native, "tests", "sim", "wirecheck")
    out = subprocess.run([exe, "constants"], stdout=subprocess.PIPE, check=True, text=True).stdout
    for line in out.splitlines():
        name, value = line.split()
        if name.startswith("kind_count_"):
            KIND_COUNT[int(name[len("kind_count_"):])] = int(value)
        else:
            LINK[name] = int(value)


def ticks_ms(ticks):
    return ticks * LINK["tick_ms"]

READ_COMMANDS = ("ram-read", "eeprom-read")
UNLOCK = (0x98, 250, 0xA5)


class CheckFailed(Exception):
    pass


def check(cond, message):
    if not cond:
        raise CheckFailed(message)


class Frame:
    """One line of regsim's frame log: time, bytes, [site,] command, image address, data, ok, outcome."""

    def __init__(self, line):
        f = line.rstrip("\n").split("\t")
        if len(f) == 7:
            f.insert(2, "-")
        self.ms = int(f[0])
        self.bytes = [int(b, 16) for b in f[1].split()] if f[1] else []
        self.site = int(f[2]) if f[2] not in ("-", "") else 0
        self.command = f[3]
        self.address = int(f[4]) if f[4] not in ("-", "") else -1
        self.data = int(f[5]) if f[5] not in ("-", "") else 0
        self.ok = f[6] == "ok"
        self.outcome = f[7] if len(f) > 7 else ""

    def __repr__(self):
        return "%d %s %s %d" % (self.ms, " ".join("%02X" % b for b in self.bytes), self.command, self.address)


class Rig:
    """COMn of the test prefix on a pseudo-terminal pair with regsim on the far end, through the
    project's serial rig script (tests/sim/serialrig)."""

    def __init__(self, opts, name):
        self.opts = opts
        self.n = opts.com
        self.dir = os.path.join(opts.workdir, name)
        os.makedirs(self.dir, exist_ok=True)
        self.pty_wine = os.path.join(self.dir, "com%d" % self.n)
        self.memory = os.path.join(self.dir, "mem%d.bin" % self.n)
        self.log = os.path.join(self.dir, "sim%d.log" % self.n)
        self.trace = os.path.join(self.dir, "link-trace.txt")
        self.dosdevice = os.path.join(opts.prefix, "dosdevices", "com%d" % self.n)
        self.started = False
        self.runs = 0
        self.baud = 9600
        self.site = 0
        self.first_looks = [0, 0]  # replies taken at the first look after they were on the line, of all
        # Whatever an earlier, interrupted run left behind.
        self.rig("stop")
        for p in (self.log, self.trace, self.memory):
            if os.path.exists(p):
                os.remove(p)

    def rig(self, command, *args):
        env = dict(os.environ, WINEPREFIX=self.opts.prefix, TALVIK_NATIVE_BUILD=self.opts.native)
        p = subprocess.run([self.opts.serialrig, command, self.dir, str(self.n)] + [str(a) for a in args],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
        check(p.returncode == 0, "serialrig %s: %s" % (command, p.stdout.decode(errors="replace").strip()))

    # -- the cable
    def plug(self):
        if self.started:
            self.rig("plug")

    def unplug(self):
        """Closes the pair, as when a USB adapter is pulled."""
        self.rig("unplug")

    # -- the regulator
    def start_sim(self, memory=None, baud=9600, site=0, faults=()):
        self.stop_sim()
        if memory is not None:
            with open(self.memory, "wb") as f:
                f.write(bytes(memory))
        self.baud, self.site = baud, site
        options = ["--baud", baud, "--site", site] + list(faults)
        self.rig("sim" if self.started else "start", *options)
        self.started = True

    def stop_sim(self):
        """Stops regsim; it saves its memory on the way out."""
        pidfile = os.path.join(self.dir, "regsim%d.pid" % self.n)
        if not os.path.exists(pidfile):
            return
        with open(pidfile) as f:
            pid = int(f.read().strip() or 0)
        try:
            os.kill(pid, signal.SIGTERM)
            for _ in range(200):
                os.kill(pid, 0)
                with open("/proc/%d/stat" % pid) as f:
                    if f.read().split(") ")[1].startswith("Z"):
                        break
                time.sleep(0.05)
        except (ProcessLookupError, FileNotFoundError):
            pass
        os.remove(pidfile)

    def sim_memory(self):
        with open(self.memory, "rb") as f:
            data = f.read()
        check(len(data) == 512, "memory file holds %d bytes" % len(data))
        return list(data)

    def mark(self):
        """Position in the frame log: frames() from here on belong to the next run."""
        try:
            with open(self.log) as f:
                return len(f.readlines())
        except FileNotFoundError:
            return 0

    def frames(self, since=0):
        try:
            with open(self.log) as f:
                lines = f.readlines()[since:]
        except FileNotFoundError:
            return []
        return [Frame(l) for l in lines if l.strip() and not l.startswith("#")]

    def last_trace(self):
        """The link's debug-channel lines of the last linkdriver run, without their times."""
        with open(self.trace) as f:
            lines = f.read().splitlines()
        ends = [i for i, l in enumerate(lines) if l.startswith("host:")]
        start = ends[-2] + 1 if len(ends) > 1 else 0
        return [l.split(" ", 1)[1] if " " in l else "" for l in lines[start:ends[-1]]]

    def last_trace_file(self):
        """The link's debug-channel lines of the last linkdriver run, with their times, in a file
        of their own (for the judge)."""
        with open(self.trace) as f:
            lines = f.read().splitlines()
        ends = [i for i, l in enumerate(lines) if l.startswith("host:")]
        start = ends[-2] + 1 if len(ends) > 1 else 0
        path = os.path.join(self.dir, "run%d.trace" % self.runs)
        with open(path, "w") as f:
            f.write("".join(l + "\n" for l in lines[start:ends[-1]]))
        return path

    def last_sends(self):
        """The times (ms, program clock) at which the link sent its frames in the last run."""
        with open(self.trace) as f:
            lines = f.read().splitlines()
        ends = [i for i, l in enumerate(lines) if l.startswith("host:")]
        start = ends[-2] + 1 if len(ends) > 1 else 0
        sends = []
        for l in lines[start:ends[-1]]:
            ms, _, text = l.partition(" ")
            if re.fullmatch(r"\(\d+\)\s+[0-9A-F]{2}( [0-9A-F]{2})*", text):
                sends.append(int(ms))
        return sends

    def close(self):
        self.rig("stop")

    # -- the program
    def driver(self, *args, timeout=600, baud=None, site=None):
        """Runs linkdriver; returns (exit status, stdout, stderr, seconds)."""
        baud = self.baud if baud is None else baud
        site = self.site if site is None else site
        cmd = [self.opts.wine_run, "--prefix", self.opts.prefix, self.opts.linkdriver,
               "--port", str(self.n), "--baud", str(baud)]
        if site:
            cmd += ["--site", str(site)]
        cmd += [str(a) for a in args]
        # Files, not pipes: a wineserver started by this run inherits the output handles and
        # would hold a pipe open long after linkdriver has ended.
        self.runs += 1
        out_path = os.path.join(self.dir, "run%d.out" % self.runs)
        err_path = os.path.join(self.dir, "run%d.err" % self.runs)
        start = time.time()
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            p = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout, env=self.env())
        ended = time.time() - start
        with open(self.trace, "a") as f:
            f.write("host: %s ended after %.0f ms\n" % (" ".join(str(a) for a in args), 1000 * ended))
        with open(out_path, "rb") as f:
            stdout = f.read().decode(errors="replace")
        with open(err_path, "rb") as f:
            stderr = f.read().decode(errors="replace")
        return p.returncode, stdout, stderr, ended

    def env(self):
        # Wine cannot set DTR and RTS on a pseudo-terminal by itself: the modem-line shim does.
        return dict(os.environ, LINKDRIVER_TRACE=wine_path(self.trace),
                    LD_PRELOAD=os.path.join(self.opts.native, "tests/fakes/modemline/$LIB/libmodemline.so"),
                    TALVIK_MODEMLINE_PTYS=self.pty_wine)


def wine_path(path):
    # Z: is the whole Unix file system in a Wine prefix.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def regulator_memory(seed):
    rng = random.Random(seed)
    m = [rng.randrange(256) for _ in range(512)]
    m[301] = rng.randrange(30)  # a valid day pointer
    return m


def parse_read(out):
    """linkdriver's ADDR=VALUE lines, each in decimal and ended by a newline."""
    check(out.endswith("\n"), "read output does not end a line: %r" % out[-20:])
    pairs = []
    for line in out[:-1].split("\n"):
        check(re.fullmatch(r"[0-9]+=[0-9]+", line) is not None, "not an ADDR=VALUE line: %r" % line)
        a, _, v = line.partition("=")
        pairs.append((int(a), int(v)))
    return pairs


def reads_heard(frames):
    return [f for f in frames if f.command in READ_COMMANDS]


def check_send_gaps(rig, least_ms, what, sends=None):
    """No frame left the program sooner than least_ms after the one before (its clock counts
    whole milliseconds); in the last run, or in the send times given."""
    sends = rig.last_sends() if sends is None else sends
    for a, b in zip(sends, sends[1:]):
        check(b - a >= least_ms - 1, "%s: sent at %d and %d ms, only %d ms apart, %d wanted" % (what, a, b, b - a, least_ms))


def wirecheck_exe(rig):
    return os.path.join(rig.opts.native, "tests", "sim", "wirecheck")


def wirecheck(rig, what, kind, since, *args, failed=False, traced=True, slow_allowed=False):
    """Judges the frames the simulator logged from line `since` on with the rules every test of
    the real link shares (tests/sim/WireChecks.h, through the native wirecheck program): a
    verified run holds the read-backs that verify it, nothing is sent that must not be, and what
    was sent again is explained, within the link's allowance. Fails the check with its findings;
    returns them (retries and late replies allowed, and each attempt's read-backs). With the link's
    trace of the last run it knows when the link looked for each reply; a run the program
    reported failed (failed=True) is judged by the same rules, but not verified at its end."""
    exe = wirecheck_exe(rig)
    options = (["--trace", rig.last_trace_file()] if traced else []) + (["--failed"] if failed else [])
    p = subprocess.run([exe, kind, rig.log, str(since)] + [str(a) for a in args] + options,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    findings = p.stdout.splitlines()
    # A read's replies taken late are counted over the whole scenario (check_first_looks).
    only_slow = slow_allowed and not any(l.startswith(("fault", "missed")) for l in findings)
    check(p.returncode == 0 or only_slow, "%s: %s" % (what, p.stdout.strip()))
    return findings


def check_first_looks(rig):
    """The replies of the scenario's reads on a clean line, taken at the link's first look after
    they were on the line: all but the few late takes the judge allows a scenario."""
    first, replies = rig.first_looks
    if not replies:
        return
    exe = wirecheck_exe(rig)
    p = subprocess.run([exe, "firstlooks", str(first), str(replies)],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print("scenario's reads: %s" % p.stdout.strip())
    check(p.returncode == 0, "replies taken late: %s" % p.stdout.strip())


def read_backs(findings):
    """Read-backs of each attempt of a write, from wirecheck's findings."""
    return [int(m.group(1)) for m in (re.match(r"attempt \d+: (\d+) read-backs", l) for l in findings) if m]


# ---------------------------------------------------------------------------------------------
# Scenarios


def read_and_check(rig, kind, memory):
    """One read of KIND: the image printed equals the regulator's memory, in the order of the
    frames heard, every address read at least twice, paced two ticks a look."""
    since = rig.mark()
    rc, out, err, secs = rig.driver("read", kind)
    check(rc == 0, "kind %d at %d baud: exit %d, stderr %r" % (kind, rig.baud, rc, err))
    got = parse_read(out)
    check(len(got) == KIND_COUNT[kind], "kind %d: %d lines printed, %d wanted" % (kind, len(got), KIND_COUNT[kind]))
    for a, v in got:
        check(v == memory[a], "kind %d at %d baud: %d=%d printed, the regulator holds %d" % (kind, rig.baud, a, v, memory[a]))
    heard = reads_heard(rig.frames(since))
    check(all(f.ok for f in heard), "kind %d: a frame the regulator refused: %r" % (kind, [f for f in heard if not f.ok]))
    # The addresses of a kind are all different, so the order of first sends is the read order.
    first = list(dict.fromkeys(f.address for f in heard))
    check(first == [a for a, _ in got], "kind %d: order heard %r, order printed %r" % (kind, first, [a for a, _ in got]))
    for a in set(a for a, _ in got):
        n = sum(1 for f in heard if f.address == a)
        check(n >= 2, "kind %d: address %d read %d times" % (kind, a, n))
    what = "kind %d at %d baud%s" % (kind, rig.baud, " site %d" % rig.site if rig.site else "")
    print("%s: %d addresses, %d sends, linkdriver ran %.1f s" % (what, len(got), len(heard), secs))
    # Every send waits at least the first look before the next one goes out, on the program's
    # own clock (at the simulator a frame held up in the rig shortens the next gap).
    check_send_gaps(rig, ticks_ms(LINK["first_look_ticks"]), what)
    # No address asked again after a reply that was on the line before the link gave up; the
    # replies taken at the link's first look after they were on the line, counted over the
    # whole scenario (check_first_looks), so that the few looks a loaded machine held back do
    # not fail it and a take one look late in one read of ten does.
    findings = wirecheck(rig, what + ": replies on a clean line", "reads", since, slow_allowed=True)
    for l in findings:
        print("%s: %s" % (what, l))
        m = re.match(r"(?:first looks|slow): (\d+) of (\d+) replies", l)
        if m:
            rig.first_looks[0] += int(m.group(1))
            rig.first_looks[1] += int(m.group(2))
    if rig.site:
        check(all(len(f.bytes) == 5 and f.bytes[0] == rig.site for f in heard), "kind %d: not all frames in site form" % kind)
    else:
        check(all(len(f.bytes) == 4 for f in heard), "kind %d: not all frames in the single form" % kind)
    return secs, findings


def case_read(rig, baud, kinds, site=0):
    memory = regulator_memory(baud * 100 + site)
    rig.plug()
    rig.start_sim(memory, baud=baud, site=site)
    for k in kinds:
        read_and_check(rig, k, memory)


def case_clean_reads(rig):
    """Read after read on a clean line: no reply written in good time is missed, so no address is
    asked a third time after one (a reply the loaded machine held back may explain a third ask,
    counted and shown), and all but the few late takes the judge allows are taken at the link's
    first look after they were on the line."""
    for baud, kind, runs in ((9600, 2, 6), (2400, 4, 6)):
        memory = regulator_memory(baud + kind)
        rig.plug()
        rig.start_sim(memory, baud=baud)
        for run in range(runs):
            read_and_check(rig, kind, memory)


def case_write(rig):
    memory = regulator_memory(7)
    rig.plug()
    rig.start_sim(memory, baud=2400)
    since = rig.mark()
    rc, out, err, _ = rig.driver("write", 300, 77)
    check(rc == 0, "write: exit %d, stderr %r" % (rc, err))
    rig.stop_sim()
    after = rig.sim_memory()
    expected = list(memory)
    expected[300] = 77
    expected[250] = 0xA5  # the unlock byte lands in RAM
    check(after == expected, "write: memory differs at %r" % [a for a in range(512) if after[a] != expected[a]])
    frames = rig.frames(since)
    # The byte is read back twice: a write is verified on two equal replies, as a read is accepted.
    wirecheck(rig, "write", "write", since, 0, 44, 77)
    # Short wait after the unlock, long after the write, the reply wait after each read-back, on
    # the program's own clock.
    sends = rig.last_sends()
    check(len(sends) == len(frames), "write: %d frames sent, %d heard" % (len(sends), len(frames)))
    for i in range(1, len(frames)):
        least = {0xCA: LINK["short_ticks"],
                 0x48: LINK["long_ticks"] if frames[i - 1].bytes[0] == 0xCA else LINK["reply_ticks"]}.get(
                     frames[i].bytes[0], LINK["reply_ticks"])
        check(sends[i] - sends[i - 1] >= ticks_ms(least) - 1, "write: frame %d sent at %r" % (i, sends))

    # A read-back that comes back wrong once is asked again: two replies in a row then agree on
    # the byte written, and the write is verified without a retry.
    rig.start_sim(baud=2400, faults=["--bad-readback", "1"])
    since = rig.mark()
    rc, out, err, _ = rig.driver("write", 301, 12)
    check(rc == 0, "write asked again: exit %d, stderr %r" % (rc, err))
    frames = rig.frames(since)
    readbacks = read_backs(wirecheck(rig, "write asked again", "write", since, 0, 45, 12))
    check(readbacks[0] >= 3, "write asked again: frames %r" % frames)
    rig.stop_sim()
    check(rig.sim_memory()[301] == 12, "write asked again: EEPROM byte not written")

    # Read back as another byte every time: retried once, then the write fails with "Comm Fail",
    # and the port serves the next request.
    rig.start_sim(baud=2400, faults=["--bad-readback", "always"])
    since = rig.mark()
    rc, out, err, _ = rig.driver("write", 270, 5)
    check(rc == 1 and "Comm Fail" in err, "write failing twice: exit %d, stderr %r" % (rc, err))
    # A failed write holds to the same rules: each attempt an unlock with its write, read back.
    readbacks = read_backs(wirecheck(rig, "write failing twice", "write", since, 0, 14, 5, failed=True))
    check(len(readbacks) == 2, "write failing twice: read-backs of each attempt %r" % readbacks)
    rig.start_sim(baud=2400)
    read_and_check(rig, 6, rig.sim_memory())


def case_site_more(rig):
    """The remaining kinds and a verified setting write, in site form."""
    case_read(rig, 9600, [3, 5, 6, 7, 8], site=17)
    before = rig.sim_memory()
    since = rig.mark()
    rc, out, err, _ = rig.driver("write", 290, 201)
    check(rc == 0, "site write: exit %d, stderr %r" % (rc, err))
    frames = rig.frames(since)
    check(all(f.ok for f in frames), "site write: frames %r" % frames)
    wirecheck(rig, "site write", "write", since, 17, 34, 201)
    rig.stop_sim()
    expected = list(before)
    expected[290] = 201
    expected[250] = 0xA5  # the unlock byte
    after = rig.sim_memory()
    check(after == expected, "site write: memory differs at %r" % [a for a in range(512) if after[a] != expected[a]])


def case_program(rig):
    memory = regulator_memory(11)
    image = [(a * 7 + 3) % 256 for a in range(512)]
    path = os.path.join(rig.dir, "image.bin")
    with open(path, "wb") as f:
        f.write(bytes(image))
    rig.plug()
    rig.start_sim(memory, baud=9600)
    since = rig.mark()
    rc, out, err, _ = rig.driver("program", wine_path(path))
    check(rc == 0, "program: exit %d, stderr %r" % (rc, err))
    rig.stop_sim()
    after = rig.sim_memory()
    expected = list(memory)
    for a in range(64, 95):
        expected[a] = image[a]            # RAM phase
        expected[a - 50 + 256] = image[a]  # EEPROM phase: EEPROM 44..14 from image 94..64
    expected[250] = 0xA5
    check(after == expected, "program: memory differs at %r" % [a for a in range(512) if after[a] != expected[a]])
    frames = rig.frames(since)
    expected_path = os.path.join(rig.dir, "expected.bin")
    with open(expected_path, "wb") as f:
        f.write(bytes(expected))
    for r in wirecheck(rig, "program", "program", since, 0, expected_path):
        if r.startswith("retry"):
            print("program: sent again within the link's allowance: %s" % r)
    # Pacing, on the program's own clock: the short wait between an unlock and its write, the
    # long wait after an EEPROM write before its read-back and between RAM copies.
    sends = rig.last_sends()
    check(len(sends) == len(frames), "program: %d frames sent, %d heard" % (len(sends), len(frames)))
    last_ram = None
    for i in range(1, len(frames)):
        gap, cmd, before = sends[i] - sends[i - 1], frames[i].bytes[0], frames[i - 1].bytes[0]
        if cmd == 0xCA:
            check(gap >= ticks_ms(LINK["short_ticks"]) - 1, "program: frame %d, unlock to write %d ms" % (i, gap))
        if (before, cmd) == (0xCA, 0x48):
            check(gap >= ticks_ms(LINK["long_ticks"]) - 1, "program: frame %d, write to read-back %d ms" % (i, gap))
        if cmd == 0x98 and tuple(frames[i].bytes[:3]) != UNLOCK:
            check(last_ram is None or sends[i] - last_ram >= ticks_ms(LINK["long_ticks"]) - 1,
                  "program: frame %d, RAM copies sent at %d and %d ms" % (i, last_ram or 0, sends[i]))
            last_ram = sends[i]

    # Into a silent regulator: the first write fails twice and spends the whole budget.
    rig.start_sim(baud=9600, faults=["--silence", "always"])
    since = rig.mark()
    rc, out, err, _ = rig.driver("program", wine_path(path))
    check(rc == 1 and "Comm Fail" in err, "program into silence: exit %d, stderr %r" % (rc, err))
    frames = rig.frames(since)
    check([f.bytes[0] for f in frames] == [0x98, 0xCA, 0x48] * 2, "program into silence: frames %r" % frames)
    sends = rig.last_sends()
    check(len(sends) == 6, "program into silence: sent at %r" % sends)
    check(sends[5] - sends[3] >= ticks_ms(LINK["short_ticks"] + LINK["long_ticks"]) - 1,
          "program into silence: retry pacing %r" % sends)
    # The looks at the read-back, a reply wait apart, then the long wait before the retry.
    check(sends[3] - sends[2] >= ticks_ms(LINK["read_back_looks"] * LINK["reply_ticks"] + LINK["long_ticks"]) - 1,
          "program into silence: give-up %r" % sends)
    wirecheck(rig, "program into silence", "program", since, 0, expected_path, failed=True)
    rig.start_sim(baud=9600)
    read_and_check(rig, 6, rig.sim_memory())

    # A file that is not an image is refused before anything is sent.
    bad = os.path.join(rig.dir, "short.bin")
    with open(bad, "wb") as f:
        f.write(bytes(100))
    rig.start_sim(baud=9600)
    since = rig.mark()
    rc, out, err, _ = rig.driver("program", wine_path(bad))
    check(rc == 2 and "not an image" in err, "short image: exit %d, stderr %r" % (rc, err))
    check(rig.frames(since) == [], "short image: frames were sent")


def fault_read(rig, kind, faults, expect_ok, status=None):
    memory = regulator_memory(len(faults) * 31 + kind)
    rig.start_sim(memory, baud=9600, faults=faults)
    since = rig.mark()
    rc, out, err, _ = rig.driver("read", kind)
    frames = reads_heard(rig.frames(since))
    rig.fault_trace = rig.last_trace()
    if expect_ok:
        check(rc == 0, "%r: exit %d, stderr %r" % (faults, rc, err))
        for a, v in parse_read(out):
            check(v == memory[a], "%r: %d=%d printed, the regulator holds %d" % (faults, a, v, memory[a]))
    else:
        check(rc == 1 and out == "", "%r: exit %d, stdout %r" % (faults, rc, out))
        check(status is None or status in err, "%r: stderr %r, %r wanted" % (faults, err, status))
    rig.fault_sends = rig.last_sends()
    check_send_gaps(rig, ticks_ms(LINK["first_look_ticks"]), "%r" % faults)
    # The port is usable for the next request. A fault that has run out stays in place, so
    # whatever it left on the line meets the next request.
    if "always" in faults:
        rig.start_sim(memory, baud=9600)
    read_and_check(rig, 6, memory)
    return frames, err


def case_faults_line(rig):
    rig.plug()
    # Silence: each send is looked at a number of times, a reply wait apart, sent a number of
    # times, then "Timeout".
    looks_per_send, sends = LINK["looks_per_send"], LINK["sends_per_read"]
    frames, err = fault_read(rig, 6, ["--silence", "always"], False, "Timeout")
    check(len(frames) == sends and len(set(f.address for f in frames)) == 1, "silence: frames %r" % frames)
    check_send_gaps(rig, ticks_ms(looks_per_send * LINK["reply_ticks"]), "silence", rig.fault_sends)
    trace = rig.fault_trace
    looks = trace.count("trigger timer event GET")
    check(looks == looks_per_send * sends, "silence: %d looks, %d for each of %d sends wanted" % (looks, looks_per_send, sends))
    check(trace.count("reset wait timer: reccount=%d" % looks_per_send) == sends
          and "reset wait timer: reccount=%d" % (looks_per_send + 1) not in trace,
          "silence: re-arms %r" % [l for l in trace if l.startswith("reset wait")])
    # A slow answer past the six looks is given up, and its late bytes do not spoil the rest.
    fault_read(rig, 6, ["--slow", "1", "--slow-delay", "1500"], True)
    # Slower than all four sends (4 x 6 looks of two ticks, about 2.8 s): the read fails, and
    # the late replies, which come while the next request runs, are not taken for its own. The
    # simulator answers in order, so every reply waits behind the slow one.
    frames, err = fault_read(rig, 6, ["--slow", "1", "--slow-delay", "4000"], False, "Timeout")
    check(len(frames) == 4, "slow past four sends: frames %r" % frames)
    # A reply split over two firings is put together.
    fault_read(rig, 6, ["--split", "always", "--split-delay", "150"], True)


def case_faults_data(rig):
    rig.plug()
    # Garbage and alternating values: the samples of an address without two equal ones fail the
    # read. (A reply held up on a loaded machine is given up and asked again, at most as often as
    # a read sends again.)
    least, most = LINK["max_read_samples"], LINK["max_read_samples"] + LINK["sends_per_read"] - 1
    frames, err = fault_read(rig, 6, ["--garbage", "always", "--garbage-length", "1"], False, "Comm Fail")
    check(least <= len(frames) <= most, "garbage: %d sends" % len(frames))
    frames, err = fault_read(rig, 6, ["--alternate", "always"], False, "Comm Fail")
    check(least <= len(frames) <= most, "alternating: %d sends" % len(frames))
    # One wrong header is no sample: the first address needs one more send, and all is right.
    frames, err = fault_read(rig, 6, ["--wrong-header", "1"], True)
    first = frames[0].address
    check(3 <= sum(1 for f in frames if f.address == first) <= 3 + LINK["sends_per_read"] - 1,
          "wrong header: frames %r" % frames)


def case_unplug(rig):
    """The device goes away in the middle of a read, then comes back."""
    memory = regulator_memory(5)
    rig.plug()
    rig.start_sim(memory, baud=9600)
    holder = {}

    import threading

    def run():
        holder["r"] = rig.driver("read", 10, timeout=300)

    t = threading.Thread(target=run)
    t.start()
    # Pull the cable once the read is well under way.
    deadline = time.time() + 60
    while len(reads_heard(rig.frames())) < 20:
        check(time.time() < deadline, "the history read never got going")
        time.sleep(0.1)
    rig.unplug()
    t.join(300)
    check(not t.is_alive(), "linkdriver hung after the device went away")
    rc, out, err, secs = holder["r"]
    check(rc == 1 and out == "", "device gone: exit %d, stdout %r" % (rc, out[:200]))
    # Wine may add its own lines; the status is linkdriver's last line.
    status = err.strip().splitlines()[-1] if err.strip() else ""
    check("Comm Fail" in status or "Timeout" in status, "device gone: status %r" % status)
    print("device gone: exit %d after %.1f s, status %r" % (rc, secs, status))
    # The device comes back: the port opens again and a read succeeds.
    rig.plug()
    rig.start_sim(memory, baud=9600)
    read_and_check(rig, 6, memory)


def case_babble(rig):
    """A device that never stops sending once the read is done: the values come out and
    linkdriver ends (closing the port does not wait for the line to fall silent)."""
    memory = regulator_memory(13)
    rig.plug()
    # Kind 6 is five addresses, ten frames on a clean line; the babble starts after them.
    rig.start_sim(memory, baud=9600, faults=["--babble-after", "10"])
    try:
        rc, out, err, secs = rig.driver("read", 6, timeout=120)
    except subprocess.TimeoutExpired:
        raise CheckFailed("linkdriver did not end while the line babbled")
    check(rc == 0, "babble after the read: exit %d, stderr %r" % (rc, err))
    got = parse_read(out)
    check(len(got) == KIND_COUNT[6] and all(v == memory[a] for a, v in got), "babble after the read: %r" % got)
    # A read into the babble fails, and ends too.
    try:
        rc, out, err, secs2 = rig.driver("read", 6, timeout=120)
    except subprocess.TimeoutExpired:
        raise CheckFailed("linkdriver did not end reading into the babble")
    check(rc == 1 and out == "", "read into the babble: exit %d, stdout %r" % (rc, out))
    print("babbling line: read and close in %.1f s, a read into it failed in %.1f s" % (secs, secs2))


def case_flood(rig):
    """A line that floods from the start, with bytes shaped like replies ("200 77" again and
    again) or with random bytes: every read fails cleanly and ends, gives no values, and names
    no internal error as its reason; once the line is quiet, reads work again."""
    memory = regulator_memory(17)
    rig.plug()
    for pattern in ("reply", "random"):
        for baud in (2400, 9600):
            rig.start_sim(memory, baud=baud, faults=["--babble-after", "0", "--babble-bytes", pattern])
            for kind in (2, 10):
                what = "%s flood at %d baud, kind %d" % (pattern, baud, kind)
                try:
                    rc, out, err, secs = rig.driver("read", kind, baud=baud, timeout=120)
                except subprocess.TimeoutExpired:
                    raise CheckFailed("linkdriver did not end: " + what)
                check(rc == 1 and out == "", "%s: exit %d, stdout %r" % (what, rc, out[:200]))
                check("Comm Fail" in err, "%s: stderr %r" % (what, err))
                for internal in ("Range check", "Integer overflow", "Internal Error"):
                    check(internal not in err, "%s: stderr %r" % (what, err))
                print("%s: failed in %.1f s" % (what, secs))
    rig.start_sim(memory, baud=9600)
    read_and_check(rig, 6, memory)


def case_no_device(rig):
    """A COM number with nothing behind it: the read fails at once with the port's complaint."""
    rig.close()
    rc, out, err, _ = rig.driver("read", 2, baud=9600)
    check(rc == 1 and out == "", "missing port: exit %d, stdout %r" % (rc, out))
    check("Comm Fail" in err, "missing port: stderr %r" % err)
    rc, out, err, _ = rig.driver("write", 300, 1, baud=9600)
    check(rc == 1 and "Port Not Open" in err, "write to a missing port: exit %d, stderr %r" % (rc, err))
    image = os.path.join(rig.dir, "image.bin")
    with open(image, "wb") as f:
        f.write(bytes(512))
    rc, out, err, _ = rig.driver("program", wine_path(image), baud=9600)
    check(rc == 1 and "Port Not Open" in err, "programming a missing port: exit %d, stderr %r" % (rc, err))
    rc, out, err, _ = rig.driver("read", 12, baud=9600)
    check(rc == 2 and "KIND" in err, "kind 12: exit %d, stderr %r" % (rc, err))


CASES = {
    "read_9600_a": lambda r: case_read(r, 9600, [2, 3, 4, 5, 6]),
    "clean_reads": case_clean_reads,
    "read_9600_b": lambda r: case_read(r, 9600, [7, 8, 9, 11]),
    "read_9600_history": lambda r: case_read(r, 9600, [10]),
    "read_2400": lambda r: case_read(r, 2400, [2, 3, 4, 5, 6, 7, 8, 9, 11]),
    "read_2400_history": lambda r: case_read(r, 2400, [10]),
    "read_1200": lambda r: case_read(r, 1200, [2, 9]),
    "read_300": lambda r: case_read(r, 300, [6, 11]),
    "read_site": lambda r: case_read(r, 2400, [2, 4, 9, 11], site=3),
    "read_site_history": lambda r: case_read(r, 9600, [10], site=200),
    "site_more": case_site_more,
    "write": case_write,
    "program": case_program,
    "faults_line": case_faults_line,
    "faults_data": case_faults_data,
    "unplug": case_unplug,
    "no_device": case_no_device,
    "babble": case_babble,
    "flood": case_flood,
}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--case", required=True, choices=sorted(CASES))
    ap.add_argument("--com", type=int, required=True)
    ap.add_argument("--linkdriver", required=True)
    ap.add_argument("--native", required=True, help="native build tree (regsim and the modem-line shim)")
    ap.add_argument("--serialrig", required=True)
    ap.add_argument("--wine-run", required=True)
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--workdir", required=True)
    opts = ap.parse_args()
    load_link(opts.native)
    # The prefix must exist before its device links can be made.
    if not os.path.exists(os.path.join(opts.prefix, ".talvik-ready")):
        subprocess.run([opts.wine_run, "--prefix", opts.prefix, "cmd", "/c", "exit"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rig = Rig(opts, opts.case)
    started = time.time()
    try:
        CASES[opts.case](rig)
        check_first_looks(rig)
    except CheckFailed as e:
        print("FAILED %s: %s" % (opts.case, e))
        print("rig files kept in %s" % rig.dir)
        return 1
    finally:
        rig.close()
    print("passed %s in %.1f s" % (opts.case, time.time() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
