#!/usr/bin/env bash
# Runs the Google Benchmark programs of a build folder (bench/bench_* and bench/*/bench_*).
set -euo pipefail
build=${1:-build/release}
shopt -s nullglob
for b in "$build"/bench/bench_* "$build"/bench/*/bench_*; do
  [ -x "$b" ] && [ -f "$b" ] && "$b"
done
