#!/usr/bin/env bash
# System calls per analysed file: runs mp3probe under strace -c -f over 1000 copies of a
# sample file and divides each count by the number of files.
# usage: bench/mp3probe_syscalls.sh [path/to/mp3probe] [fixture] [copies]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
probe=${1:-$root/build/release/audrel/tools/mp3probe}
fixture=${2:-$root/tests/fixtures/lame_cbr128_tags.mp3}
copies=${3:-1000}
command -v strace >/dev/null || { echo "strace is not installed (apt-get install strace)" >&2; exit 1; }
[ -x "$probe" ] || { echo "no mp3probe at $probe (build it first)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 1 "$copies"); do cp "$fixture" "$work/$i.mp3"; done

# The program's start-up alone, to take it off the per-file numbers.
strace -c -f -o "$work/empty.txt" "$probe" "$work/1.mp3" >/dev/null
strace -c -f -o "$work/all.txt" "$probe" "$work"/*.mp3 >/dev/null

# strace -c lines: % time, seconds, usecs/call, calls, [errors], syscall
counts() { awk '$NF != "total" && $4 ~ /^[0-9]+$/ { print $NF, $4 }' "$1"; }
echo "fixture: $(basename "$fixture") ($(stat -c %s "$fixture") bytes), files: $copies"
printf '%-16s %10s %10s\n' syscall calls per-file
join -a1 -e 0 -o 0,1.2,2.2 <(counts "$work/all.txt" | sort) <(counts "$work/empty.txt" | sort) |
  awk -v n="$copies" '{ d = $2 - $3; if (d > 0) { printf "%-16s %10d %10.2f\n", $1, $2, d / (n - 1); t += d } }
                      END { printf "%-16s %10s %10.2f\n", "all", "", t / (n - 1) }'
