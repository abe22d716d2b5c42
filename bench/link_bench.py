#!/usr/bin/env python3
"""The link's figures (run through bench/link-bench.sh, which builds and passes the paths).

Read time: a healthy regulator answers at once, so every address costs two sends, each looked
at once after two ticks of 55 ms: the budget of a kind is reads x 2 x 2 x 55 ms. The measured
time is the span between the first and the last frame the regulator heard plus the last look.
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
    print("  tick budget          %8.0f ms" % budget)
    print("  read time            %8.0f ms   ratio %.3f" % (span, span / budget))
    print("  send to send         min %d / mean %.1f / max %d ms (one look: %d ms)"
          % (min(gaps), sum(gaps) / len(gaps), max(gaps), look))
    print("  linkdriver process   %8.2f s wall, %.2f s CPU (Wine start included)"
          % (wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)))
    print("  peak memory          %8d KB (largest process so far, ru_maxrss)" % after.ru_maxrss)


def idle_figures(rig, opts, seconds):
    rig.start_sim(e2e.regulator_memory(1), baud=9600)
    cmd = [opts.wine_run, "--prefix", opts.prefix, opts.idle, str(opts.com), str(seconds)]
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=rig.env(), timeout=seconds + 120)
    if p.returncode != 0:
        print("idle port: failed: %s" % p.stderr.decode(errors="replace").strip())
        return
    figures = dict(l.split("=", 1) for l in p.stdout.decode().split())
    print("open idle port, %s s: %s CPU seconds (%s%% of one core), peak working set %s KB"
          % (figures["idle_wall_seconds"], figures["idle_cpu_seconds"], figures["idle_cpu_percent"],
             figures["peak_working_set_kb"]))


def main():
    ap = argparse.ArgumentParser()
    for a in ("--linkdriver", "--idle", "--native", "--serialrig", "--wine-run", "--prefix", "--workdir"):
        ap.add_argument(a, required=True)
    ap.add_argument("--com", type=int, default=65)
    opts = ap.parse_args()
    if not os.path.exists(os.path.join(opts.prefix, ".talvik-ready")):
        subprocess.run([opts.wine_run, "--prefix", opts.prefix, "cmd", "/c", "exit"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rig = e2e.Rig(opts, "bench")
    try:
        print("link benchmark, %s" % time.strftime("%Y-%m-%d %H:%M:%S"))
        read_figures(rig, 2, 9600)
        read_figures(rig, 10, 9600)
        read_figures(rig, 2, 2400)
        idle_figures(rig, opts, 10)
    finally:
        rig.close()


if __name__ == "__main__":
    main()
