#!/usr/bin/env python3
"""Times findmp3 against the I/O floor and the TagLib peer on generated trees.

Usage: run.py BUILD_DIR [--sizes 1000,20000] [--runs 7] [--trees DIR] [--strace]

Every tree is generated once (deterministically) under --trees, read once by every program to
warm the cache, then each program runs --runs times in turn; the table shows medians, files per
second, the ratio to the floor (wall and CPU time: on a busy machine
the CPU time is the steadier measure) and the peak memory that /usr/bin/time -v reports. --strace adds
the system calls per file of findmp3 and of the floor on the smallest tree.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def programs(build):
    found = [("findmp3", [os.path.join(build, "audrel/tools/findmp3")]),
             ("floor", [os.path.join(build, "bench/scan/scan_floor")])]
    taglib = os.path.join(build, "bench/scan/scan_taglib")
    if os.path.exists(taglib):
        found.append(("taglib", [taglib]))
    for name, cmd in found:
        if not os.access(cmd[0], os.X_OK):
            sys.exit("%s is not built: %s" % (name, cmd[0]))
    return found


def run_once(cmd):
    """Wall time and CPU time (user + system) of one run."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit("%s failed with %d" % (cmd[0], proc.returncode))
    return wall, usage.ru_utime + usage.ru_stime


def peak_rss_kib(cmd):
    if not os.access("/usr/bin/time", os.X_OK):
        return -1024  # shown as -1.0 MiB: Debian's "time" package is not installed
    out = subprocess.run(["/usr/bin/time", "-v"] + cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True, check=True).stderr
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", out)
    return int(m.group(1)) if m else -1


def syscalls(cmd):
    with tempfile.NamedTemporaryFile(mode="r", suffix=".strace") as log:
        subprocess.run(["strace", "-f", "-c", "-o", log.name] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        counts = {}
        for line in open(log.name):
            parts = line.split()
            if len(parts) >= 5 and parts[0][0].isdigit() and parts[-1] != "total":
                counts[parts[-1]] = int(parts[3])
        return counts


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--sizes", default="1000,20000")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--trees", default=os.path.join(tempfile.gettempdir(), "audrel-scan-trees"))
    ap.add_argument("--strace", action="store_true")
    args = ap.parse_args()

    progs = programs(args.build)
    sizes = [int(s) for s in args.sizes.split(",")]
    rows = []
    for n in sizes:
        tree = os.path.join(args.trees, "n%d" % n)
        if not os.path.isdir(tree):
            subprocess.run([sys.executable, os.path.join(HERE, "gen_tree.py"), str(n), tree], check=True)
        for _, cmd in progs:
            run_once(cmd + [tree])  # warm the cache
        times = {name: [] for name, _ in progs}
        for _ in range(args.runs):
            for name, cmd in progs:
                times[name].append(run_once(cmd + [tree]))
        floor = statistics.median(t[0] for t in times["floor"])
        floor_cpu = statistics.median(t[1] for t in times["floor"])
        for name, cmd in progs:
            med = statistics.median(t[0] for t in times[name])
            cpu = statistics.median(t[1] for t in times[name])
            rows.append((n, name, med, n / med, med / floor, cpu, cpu / floor_cpu, peak_rss_kib(cmd + [tree])))

    print("| N | program | median wall s | files/s | wall x floor | median CPU s | CPU x floor | peak RSS MiB |")
    print("|---|---|---|---|---|---|---|---|")
    for n, name, med, rate, ratio, cpu, cpu_ratio, rss in rows:
        print("| %d | %s | %.3f | %.0f | %.2f | %.3f | %.2f | %.1f |" % (
            n, name, med, rate, ratio, cpu, cpu_ratio, rss / 1024.0))

    if args.strace:
        n = sizes[0]
        tree = os.path.join(args.trees, "n%d" % n)
        for name, cmd in progs[:2]:
            counts = syscalls(cmd + [tree])
            per_file = {k: v / n for k, v in counts.items() if v >= n / 4}
            print("%s, calls per file on N=%d: total %.2f; %s" % (
                name, n, sum(counts.values()) / n,
                ", ".join("%s %.2f" % kv for kv in sorted(per_file.items(), key=lambda kv: -kv[1]))))


if __name__ == "__main__":
    main()
