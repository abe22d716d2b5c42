#!/usr/bin/env python3
"""The link's figures (run through bench/linkdriver-bench.sh, which builds and passes the paths).

Read time: a healthy regulator answers at once, so every address costs two sends, each looked
at once after two ticks of 55 ms: the budget of a kind is reads x 2 x 2 x 55 ms. The measured
time is the span between the first and the last frame the regulator heard plus the last look.
A timer armed with N ticks may fire up to N + 1 ticks later; the second ratio is against the end
of that window (3 ticks a look). The gaps are between successive frames the regulator heard
(its own arrival times), none of which may come sooner than the two ticks of a look.
"""

import argparse
import os
import resource
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e  # noqa: E402


def read_figures(rig, kind, baud):
    memory = e2e.regulator_memory(kind)
    rig.start_sim(memory, baud=baud)
    since = rig.mark()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    rc, out, err, wall = rig.driver("read", kind)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if rc != 0:
        print("kind %d at %d baud: read failed: %s" % (kind, baud, err.strip()))
        return
    frames = e2e.reads_heard(rig.frames(since))
    n = e2e.KIND_COUNT[kind]
    look = 2 * e2e.TICK_MS
    budget = n * 2 * look
    span = frames[-1].ms - frames[0].ms + look
    gaps = [b.ms - a.ms for a, b in zip(frames, frames[1:])]
    print("kind %d at %d baud: %d addresses, %d sends" % (kind, baud, n, len(frames)))
    window = n * 2 * (look + e2e.TICK_MS)
    print("  tick budget          %8.0f ms (2 sends x 2 ticks an address)" % budget)
    print("  read time            %8.0f ms   ratio %.3f to the budget, %.3f to its window's end"
          % (span, span / budget, span / window))
    print("  send to send         min %d / mean %.1f / max %d ms (one look: %d ms)"
          % (min(gaps), sum(gaps) / len(gaps), max(gaps), look))
    below = sum(1 for g in gaps if g < look)
    print("  gaps below one look  %8d of %d" % (below, len(gaps)))
    print("  linkdriver process   %8.2f s wall, %.2f s CPU (Wine start included)"
          % (wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)))
    print("  peak memory          %8d KB (largest process so far, ru_maxrss)" % after.ru_maxrss)
    return span / budget, min(gaps)


def series_figures(rig, kind, baud, runs):
    """Reads of one kind in a row on a clean line: how many asked an address again (more than
    its two samples), how many re-asks in all, and the slowest read against the tick budget."""
    memory = e2e.regulator_memory(kind * 1000 + baud)
    rig.start_sim(memory, baud=baud)
    n = e2e.KIND_COUNT[kind]
    look = 2 * e2e.TICK_MS
    budget = n * 2 * look
    ratios, reasks, reads_with, failed = [], 0, 0, 0
    for _ in range(runs):
        since = rig.mark()
        rc, out, err, wall = rig.driver("read", kind)
        frames = e2e.reads_heard(rig.frames(since))
        if rc != 0 or not frames:
            failed += 1
            continue
        asked = {}
        for f in frames:
            asked[f.address] = asked.get(f.address, 0) + 1
        extra = sum(max(0, c - 2) for c in asked.values())
        reasks += extra
        reads_with += 1 if extra else 0
        ratios.append((frames[-1].ms - frames[0].ms + look) / budget)
    ratios.sort()
    print("kind %d at %d baud, %d reads in a row on a clean line:" % (kind, baud, runs))
    print("  failed reads         %8d" % failed)
    print("  reads that re-asked  %8d   re-asks in all %d" % (reads_with, reasks))
    if ratios:
        print("  ratio to the budget  median %.3f / slowest %.3f   (%d of %d within 1.10)"
              % (ratios[len(ratios) // 2], ratios[-1], sum(1 for r in ratios if r <= 1.10), len(ratios)))
    return failed, reasks, ratios[-1] if ratios else None


def thread_cpu(pid):
    """CPU seconds of each thread of a process, by thread id."""
    tick = os.sysconf("SC_CLK_TCK")
    cpu = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            cpu[tid] = (int(fields[11]) + int(fields[12])) / tick
        except (FileNotFoundError, ProcessLookupError):
            pass
    return cpu


def idle_figures(rig, opts, seconds):
    rig.start_sim(e2e.regulator_memory(1), baud=9600)
    cmd = [opts.wine_run, "--prefix", opts.prefix, opts.idle, str(opts.com), str(seconds)]
    out_path = os.path.join(rig.dir, "idle.out")
    with open(out_path, "wb") as out:
        # wine-run execs Wine, which runs the program in this same process.
        p = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, env=rig.env())
        time.sleep(3)
        before = thread_cpu(p.pid)
        time.sleep(5)
        after = thread_cpu(p.pid)
        rc = p.wait(seconds + 120)
    with open(out_path) as f:
        text = f.read()
    if rc != 0:
        print("idle port: failed: %s" % text.strip())
        return
    figures = dict(l.split("=", 1) for l in text.split() if "=" in l)
    print("open idle port, %s s: %s CPU seconds (%s%% of one core), peak working set %s KB"
          % (figures["idle_wall_seconds"], figures["idle_cpu_seconds"], figures["idle_cpu_percent"],
             figures["peak_working_set_kb"]))
    used = sorted(((after[t] - before.get(t, 0.0), t) for t in after), reverse=True)
    print("  per thread over 5 s of it: " + ", ".join("%.2f s" % u for u, _ in used))


def talvik_idle_figures(rig, opts, seconds):
    """talvik.exe itself: a current-data read through its window opens the port, which then
    stays open with nothing to do."""
    rig.start_sim(e2e.regulator_memory(2), baud=9600)
    since = rig.mark()
    key = r"HKCU\Software\Corvanel\TALVIK\Settings"
    for name, value in (("Direct Port Number", str(opts.com)), ("Baud Rate", "3")):
        subprocess.run([opts.wine_run, "--prefix", opts.prefix, "reg", "add", key, "/v", name, "/t", "REG_SZ",
                        "/d", value, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=rig.env())
    work = os.path.join(rig.dir, "talvik")
    os.makedirs(work, exist_ok=True)
    out = open(os.path.join(work, "talvik.out"), "wb")
    p = subprocess.Popen([opts.wine_run, "--prefix", opts.prefix, opts.talvik], cwd=work, stdin=subprocess.DEVNULL,
                         stdout=out, stderr=subprocess.STDOUT, env=rig.env())
    try:
        # Files, not pipes: a Wine server started meanwhile would hold a pipe open.
        poke_out = os.path.join(work, "poke.out")
        with open(poke_out, "wb") as f:
            rc = subprocess.run([opts.wine_run, "--prefix", opts.prefix, opts.poke], stdin=subprocess.DEVNULL,
                                stdout=f, stderr=subprocess.STDOUT, env=rig.env(), timeout=120).returncode
        if rc != 0:
            with open(poke_out) as f:
                print("talvik.exe idle: %s" % f.read().strip())
            return
        # Both current-data pages at 9600 baud, then quiet.
        deadline = time.time() + 60
        heard = 0
        while time.time() < deadline:
            time.sleep(1)
            n = len(rig.frames(since))
            if n and n == heard:
                break
            heard = n
        if not heard:
            print("talvik.exe idle: the read never reached the regulator")
            return
        time.sleep(2)
        before = thread_cpu(p.pid)
        t0 = time.time()
        time.sleep(seconds)
        after = thread_cpu(p.pid)
        wall = time.time() - t0
        cpu = sum(after.values()) - sum(before.get(t, 0.0) for t in after)
        print("talvik.exe, port open and idle after a read of %d frames, %.1f s: %.2f CPU seconds (%.2f%% of one core)"
              % (heard, wall, cpu, 100.0 * cpu / wall))
        # The line starts babbling; the main window is closed and the program must end.
        rig.start_sim(e2e.regulator_memory(2), baud=9600, faults=["--babble-after", "0"])
        time.sleep(2)
        with open(poke_out, "ab") as f:
            subprocess.run([opts.wine_run, "--prefix", opts.prefix, opts.poke, "close"], stdin=subprocess.DEVNULL,
                           stdout=f, stderr=subprocess.STDOUT, env=rig.env(), timeout=120)
        t0 = time.time()
        try:
            p.wait(60)
            print("talvik.exe closed its window on a babbling line and ended in %.1f s" % (time.time() - t0))
            print("  (a quiet line takes as long: Wine's X driver waits 2 s for each of two windows to be")
            print("   withdrawn when no window manager runs)")
        except subprocess.TimeoutExpired:
            print("talvik.exe closed its window on a babbling line and had NOT ended after 60 s")
    finally:
        p.terminate()
        try:
            p.wait(20)
        except subprocess.TimeoutExpired:
            p.kill()
        out.close()
        # The prefix is the tests' own: leave its settings as they were.
        for name in ("Direct Port Number", "Baud Rate"):
            subprocess.run([opts.wine_run, "--prefix", opts.prefix, "reg", "delete", key, "/v", name, "/f"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=rig.env())


def main():
    ap = argparse.ArgumentParser()
    for a in ("--linkdriver", "--idle", "--talvik", "--poke", "--native", "--serialrig", "--wine-run", "--prefix",
              "--workdir"):
        ap.add_argument(a, required=True)
    ap.add_argument("--com", type=int, default=65)
    ap.add_argument("--only-talvik", action="store_true", help="only the idle figure of talvik.exe")
    ap.add_argument("--series", type=int, default=24, help="reads in a row of kinds 2 and 4 (0: none)")
    ap.add_argument("--only-series", action="store_true", help="only the reads in a row")
    opts = ap.parse_args()
    if not os.path.exists(os.path.join(opts.prefix, ".talvik-ready")):
        subprocess.run([opts.wine_run, "--prefix", opts.prefix, "cmd", "/c", "exit"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rig = e2e.Rig(opts, "bench")
    try:
        print("link benchmark, %s" % time.strftime("%Y-%m-%d %H:%M:%S"))
        if opts.only_talvik:
            talvik_idle_figures(rig, opts, 10)
            return
        if opts.series:
            for kind, baud in ((2, 9600), (4, 2400)):
                series_figures(rig, kind, baud, opts.series)
            if opts.only_series:
                return
        results = []
        for kind, baud, checked in ((2, 9600, True), (10, 9600, True), (4, 2400, True), (3, 300, False)):
            r = read_figures(rig, kind, baud)
            if r:
                results.append((kind, baud, checked) + r)
        print("summary (goal: within 1.10x of the tick budget, no gap below %d ms)" % (2 * e2e.TICK_MS))
        for kind, baud, checked, ratio, gap in results:
            verdict = ("within" if ratio <= 1.10 else "OVER") if checked else "reported"
            print("  kind %-2d at %4d baud   ratio %.3f (%s)   smallest gap %d ms%s"
                  % (kind, baud, ratio, verdict, gap, "" if gap >= 2 * e2e.TICK_MS else "  BELOW"))
        idle_figures(rig, opts, 10)
        talvik_idle_figures(rig, opts, 10)
    finally:
        rig.close()


if __name__ == "__main__":
    main()
