#!/usr/bin/env bash
# Runs Audrel. Until its window exists this analyses the sample files with mp3probe.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
"$build/audrel/tools/mp3probe" "$root"/tests/fixtures/*.mp3
