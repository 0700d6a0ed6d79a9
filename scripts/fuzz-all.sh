#!/usr/bin/env bash
# Runs every fuzz target in a build folder for a number of seconds each, seeded from the
# fixtures. A finding makes the script fail.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds="$root/tests/fixtures"
  echo "== $name for ${seconds}s"
  (cd "$build" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 "$corpus" "$seeds" 2>&1 | tail -n 3)
  found=$((found + 1))
done
[ "$found" -gt 0 ] || { echo "no fuzz targets built" >&2; exit 1; }
echo "fuzz: $found targets ran without a finding"
