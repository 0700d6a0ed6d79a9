#!/usr/bin/env python3
"""Times findmp3 against the I/O floor and the TagLib peer on generated trees, warm and cold.

Usage: run.py BUILD_DIR [--sizes 5000,20000] [--runs 7] [--cold-runs 5] [--no-cold]
              [--read-ahead] [--trees DIR] [--strace] [--searches] [--vs BUILD_DIR]
              [--big-covers PERCENT]

Every tree is generated once (deterministically) under --trees.

Warm: each program reads the tree once to fill the page cache, then the programs run --runs
times in turn. Cold: before every single run the page cache is dropped (sync, then
"echo 3 > /proc/sys/vm/drop_caches"), --cold-runs times in turn; this needs root, and without
it the cold columns are skipped with a note. The table shows medians, the ratio to the floor
(wall and CPU time: on a busy machine the CPU time is the steadier measure) and the peak
memory that /usr/bin/time -v reports. --read-ahead adds findmp3 with its read-ahead forced on
and off, which shows what the read-ahead costs on a warm cache. --strace adds the system calls
per file of findmp3 (its read-ahead off) and of the floor on the smallest tree. --searches adds
findmp3's fast search for an ASCII and a Cyrillic text and its detail search for a title (the
Cyrillic text is taken in the code page of the environment: AUDREL_CODEPAGE=1251 makes it the
tree's); --vs adds the findmp3 rows of another build, named "vs", to compare two versions in
the same run. --big-covers gives that share of the ID3v2 tags a 400 KB cover before their text
frames (gen_tree.py --big-covers; such trees are kept apart from the plain ones).
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
DROP_CACHES = "/proc/sys/vm/drop_caches"


SEARCHES = [("--fast nautilus", ["--fast", "nautilus"]), ("--fast \u043a\u0438\u043d\u043e",
            ["--fast", "\u043a\u0438\u043d\u043e"]), ("--detail --title", ["--detail", "--title", "Song 1"])]


def programs(build, read_ahead, searches, vs):
    findmp3 = os.path.join(build, "audrel/tools/findmp3")
    found = [("findmp3", [findmp3]),
             ("floor", [os.path.join(build, "bench/scan/scan_floor")])]
    for name, args in SEARCHES if searches else []:
        found.append(("findmp3 " + name, [findmp3] + args))
    if vs:
        other = os.path.join(vs, "audrel/tools/findmp3")
        found.append(("vs findmp3", [other]))
        for name, args in SEARCHES if searches else []:
            found.append(("vs findmp3 " + name, [other] + args))
    taglib = os.path.join(build, "bench/scan/scan_taglib")
    if os.path.exists(taglib):
        found.append(("taglib", [taglib]))
    if read_ahead:
        found += [("findmp3 --read-ahead never", [findmp3, "--read-ahead", "never"]),
                  ("findmp3 --read-ahead always", [findmp3, "--read-ahead", "always"])]
    for name, cmd in found:
        if not os.access(cmd[0], os.X_OK):
            sys.exit("%s is not built: %s" % (name, cmd[0]))
    return found


def can_drop_caches():
    return os.geteuid() == 0 and os.access(DROP_CACHES, os.W_OK)


def drop_caches():
    os.sync()
    with open(DROP_CACHES, "w") as f:
        f.write("3\n")


def run_once(cmd):
    """Wall time and CPU time (user + system) of one run."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit("%s failed with %d" % (cmd[0], code))
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


def medians(progs, tree, runs, before_each):
    """Median wall and CPU time of each program, the programs taking turns."""
    times = {name: [] for name, _ in progs}
    for _ in range(runs):
        for name, cmd in progs:
            before_each()
            times[name].append(run_once(cmd + [tree]))
    return {name: (statistics.median(t[0] for t in ts), statistics.median(t[1] for t in ts))
            for name, ts in times.items()}


def tree_path(args, n):
    return os.path.join(args.trees, "n%d" % n + ("-c%g" % args.big_covers if args.big_covers else ""))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--sizes", default="5000,20000")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--cold-runs", type=int, default=5)
    ap.add_argument("--no-cold", action="store_true")
    ap.add_argument("--read-ahead", action="store_true")
    ap.add_argument("--trees", default=os.path.join(tempfile.gettempdir(), "audrel-scan-trees"))
    ap.add_argument("--strace", action="store_true")
    ap.add_argument("--searches", action="store_true")
    ap.add_argument("--vs")
    ap.add_argument("--big-covers", type=float, default=0)
    args = ap.parse_args()

    progs = programs(args.build, args.read_ahead, args.searches, args.vs)
    sizes = [int(s) for s in args.sizes.split(",")]
    cold = not args.no_cold and args.cold_runs > 0
    if cold and not can_drop_caches():
        print("Cold-cache runs need root to drop the page cache (%s): skipped." % DROP_CACHES)
        cold = False

    rows = []
    for n in sizes:
        tree = tree_path(args, n)
        if not os.path.isdir(tree):
            subprocess.run([sys.executable, os.path.join(HERE, "gen_tree.py"), str(n), tree,
                            "--big-covers", str(args.big_covers)], check=True)
        for _, cmd in progs:
            run_once(cmd + [tree])  # fills the page cache
        warm = medians(progs, tree, args.runs, lambda: None)
        colds = medians(progs, tree, args.cold_runs, drop_caches) if cold else {}
        for name, cmd in progs:
            rows.append((n, name, warm[name], warm["floor"], colds.get(name), colds.get("floor"),
                         peak_rss_kib(cmd + [tree])))

    print("| N | program | warm wall s | wall x floor | warm CPU s | CPU x floor | cold wall s "
          "| cold x floor | peak RSS MiB |")
    print("|---|---|---|---|---|---|---|---|---|")
    for n, name, (wall, cpu), (floor_wall, floor_cpu), cold_t, cold_floor, rss in rows:
        cold_cells = ("%.3f | %.2f" % (cold_t[0], cold_t[0] / cold_floor[0])) if cold_t else "- | -"
        print("| %d | %s | %.3f | %.2f | %.3f | %.2f | %s | %.1f |" % (
            n, name, wall, wall / floor_wall, cpu, cpu / floor_cpu, cold_cells, rss / 1024.0))
    with open("/proc/loadavg") as f:
        print("Load average at the end: %s" % " ".join(f.read().split()[:3]))

    if args.strace:
        n = sizes[0]
        tree = tree_path(args, n)
        # Under strace every file is slow, which would start findmp3's read-ahead: counted
        # without it, the calls are those of the search itself.
        for name, cmd in [("findmp3 --read-ahead never", progs[0][1] + ["--read-ahead", "never"]),
                          progs[1]]:
            counts = syscalls(cmd + [tree])
            per_file = {k: v / n for k, v in counts.items() if v >= n / 4}
            print("%s, calls per file on N=%d: total %.2f; %s" % (
                name, n, sum(counts.values()) / n,
                ", ".join("%s %.2f" % kv for kv in sorted(per_file.items(), key=lambda kv: -kv[1]))))


if __name__ == "__main__":
    main()
