#!/usr/bin/env bash
# Runs the benchmarks of a build folder.
set -euo pipefail
build=${1:-build/release}
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] && "$b"
done
