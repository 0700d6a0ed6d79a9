#!/usr/bin/env python3
"""Times a whole search in the real Audrel window under Xvfb beside findmp3 on the same tree.

Usage: window_search.py BUILD_DIR [--sizes 25000,100000] [--runs 5] [--trees DIR] [--wm openbox]
                        [--keep-trees] [--perf FILE]

Each tree comes from bench/scan/gen_tree.py (seed 7) under --trees (made when missing). Every
run starts a fresh window whose stored folder is the tree, clicks into the result list (so no
blinking text cursor wakes the window), presses Alt+S and waits until the search's worker
thread has ended and the window's main thread has then stayed idle for 300 ms: the end is the
last moment the main thread ran, that is the last rows painted. Wall time is from the key press
to that moment; CPU time is the window process's user + system time over the same span.
findmp3 runs on the same tree between the window runs (output to /dev/null), so both see the
same machine load. The page cache is warm: each tree is read once by findmp3 first.

The table shows medians over the runs, the ratios of the medians, the window's growth in
resident memory over the search divided by the hits, and the load average.
--perf FILE records the window's main thread and worker with perf during the first window run.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
TICK = os.sysconf("SC_CLK_TCK")
TITLE = "^Brakmo =Audrel=$"


def tree(trees, n):
    folder = os.path.join(trees, f"t{n}")
    if not os.path.isdir(folder):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench/scan/gen_tree.py"), str(n), folder, "7"],
                       check=True, stdout=subprocess.DEVNULL)
    return folder


def run_findmp3(findmp3, folder):
    began = time.monotonic()
    proc = subprocess.Popen([findmp3, folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - began
    if status != 0:
        sys.exit(f"findmp3 failed on {folder}")
    return wall, usage.ru_utime + usage.ru_stime


def count_hits(findmp3, folder):
    out = subprocess.run([findmp3, folder], check=True, capture_output=True).stdout
    return out.count(b"\n") - 1  # one line per hit, then the summary


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def process_cpu(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def main_thread_runtime(pid):
    with open(f"/proc/{pid}/task/{pid}/schedstat") as f:
        return int(f.read().split()[0])


def search_threads(pid, before):
    """The threads started since `before` that carry the program's name: the search's worker
    and its read-ahead helper (Qt names its own threads, and its pooled ones linger)."""
    found = set()
    for tid in os.listdir(f"/proc/{pid}/task"):
        if tid in before:
            continue
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                if f.read().strip() == "audrel":
                    found.add(tid)
        except (FileNotFoundError, ProcessLookupError):  # the thread ended meanwhile
            pass
    return found


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout.strip()


def wait_idle(pid, quiet=0.3, timeout=5.0):
    """Waits until the main thread has not run for `quiet` seconds; returns when it last ran."""
    last = main_thread_runtime(pid)
    last_change = time.monotonic()
    end = last_change + timeout
    while time.monotonic() < end:
        time.sleep(0.002)
        now = time.monotonic()
        runtime = main_thread_runtime(pid)
        if runtime != last:
            last, last_change = runtime, now
        elif now - last_change >= quiet:
            return last_change
    return last_change


def run_window(audrel, folder, env, perf_file=None):
    config = env["XDG_CONFIG_HOME"]
    os.makedirs(os.path.join(config, "Brakmo"), exist_ok=True)
    with open(os.path.join(config, "Brakmo", "Finder.conf"), "w") as f:
        f.write(f"[MP3]\nFolder={folder}\n")
    proc = subprocess.Popen([audrel], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = xdotool("search", "--sync", "--onlyvisible", "--name", TITLE).split()[0]
        xdotool("windowfocus", "--sync", window)
        # Into the empty result list: the focus leaves the folder box and its blinking cursor.
        geometry = xdotool("getwindowgeometry", "--shell", window)
        height = int(dict(line.split("=") for line in geometry.splitlines())["HEIGHT"])
        xdotool("mousemove", "--window", window, "240", str(height - 60), "click", "1")
        wait_idle(proc.pid, quiet=0.3)
        idle_threads = set(os.listdir(f"/proc/{proc.pid}/task"))
        perf = None
        if perf_file:
            perf = subprocess.Popen(["perf", "record", "-g", "-o", perf_file, "-p", str(proc.pid)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
        rss0 = rss_kib(proc.pid)
        cpu0 = process_cpu(proc.pid)
        ui0 = main_thread_runtime(proc.pid)
        began = time.monotonic()
        xdotool("key", "alt+s")
        # The worker appears, does the search and ends once its last notification has run.
        seen_worker = False
        deadline = began + 600
        while time.monotonic() < deadline:
            if search_threads(proc.pid, idle_threads):
                if not seen_worker:
                    worker_began = time.monotonic()
                seen_worker = True
            elif seen_worker:
                break
            time.sleep(0.002)
        worker_ended = time.monotonic()
        ended = wait_idle(proc.pid)
        cpu = process_cpu(proc.pid) - cpu0
        ui = (main_thread_runtime(proc.pid) - ui0) / 1e9
        if perf:
            perf.send_signal(2)
            perf.wait()
        phases = (worker_began - began, worker_ended - worker_began, ended - worker_ended)
        return ended - began, cpu, ui, phases, rss_kib(proc.pid) - rss0
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def start_xvfb(scratch, wm):
    display_file = os.path.join(scratch, "display")
    with open(display_file, "w") as out:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=(out.fileno(),), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if os.path.getsize(display_file) > 0:
            break
        time.sleep(0.05)
    with open(display_file) as f:
        display = ":" + f.read().split()[0]
    helpers = [xvfb]
    if wm:
        helpers.append(subprocess.Popen([wm], env=dict(os.environ, DISPLAY=display),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(1)
    return display, helpers


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--sizes", default="25000,100000")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--trees", default=os.path.join(tempfile.gettempdir(), "audrel-window-trees"))
    ap.add_argument("--wm", default="", help="a window manager to run, e.g. openbox")
    ap.add_argument("--keep-trees", action="store_true")
    ap.add_argument("--perf", default="")
    args = ap.parse_args()
    findmp3 = os.path.abspath(os.path.join(args.build, "audrel/tools/findmp3"))
    audrel = os.path.abspath(os.path.join(args.build, "audrel/ui/audrel"))
    os.makedirs(args.trees, exist_ok=True)

    scratch = tempfile.mkdtemp()
    display, helpers = start_xvfb(scratch, args.wm)
    env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               QT_QPA_PLATFORM="xcb")
    os.environ["DISPLAY"] = display
    made = []
    try:
        print("| files (hits) | findmp3 wall / CPU | window wall / CPU | ratio wall / CPU | window memory per row | load average |")
        print("|---|---|---|---|---|---|")
        for n in [int(s) for s in args.sizes.split(",")]:
            had = os.path.isdir(os.path.join(args.trees, f"t{n}"))
            folder = tree(args.trees, n)
            if not had:
                made.append(folder)
            hits = count_hits(findmp3, folder)  # also warms the page cache
            f_wall, f_cpu, w_wall, w_cpu, w_mem = [], [], [], [], []
            load = [os.getloadavg()[0]]
            for r in range(args.runs):
                a, b = run_findmp3(findmp3, folder)
                f_wall.append(a)
                f_cpu.append(b)
                a, b, ui, phases, m = run_window(audrel, folder, env, args.perf if args.perf and r == 0 else None)
                w_wall.append(a)
                w_cpu.append(b)
                w_mem.append(m)
                load.append(os.getloadavg()[0])
                print(f"  run {r + 1}: findmp3 {f_wall[-1]:.2f} / {f_cpu[-1]:.2f} s, "
                      f"window {w_wall[-1]:.2f} / {w_cpu[-1]:.2f} s (main thread {ui:.2f} s; "
                      f"key to worker {phases[0]:.3f} s, worker {phases[1]:.3f} s, after it {phases[2]:.3f} s)",
                      file=sys.stderr)
            fw, fc = statistics.median(f_wall), statistics.median(f_cpu)
            ww, wc = statistics.median(w_wall), statistics.median(w_cpu)
            per_row = statistics.median(w_mem) * 1024 / max(hits, 1)
            print(f"| {n:,} ({hits:,}) | {fw:.2f} s / {fc:.2f} s | {ww:.2f} s / {wc:.2f} s | "
                  f"{ww / fw:.2f}x / {wc / fc:.2f}x | {per_row:.0f} B | {min(load):.2f}-{max(load):.2f} |",
                  flush=True)
    finally:
        for h in reversed(helpers):
            h.terminate()
            h.wait()
        shutil.rmtree(scratch, ignore_errors=True)
        if not args.keep_trees:
            for folder in made:
                shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
