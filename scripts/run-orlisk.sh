#!/usr/bin/env bash
# Runs Orlisk.
set -euo pipefail
build=${1:-build/release}
exec "$build/orlisk/orlisk"
