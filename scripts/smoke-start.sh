#!/usr/bin/env bash
# Starts each program once on the offscreen platform, in a scratch home and folder, and checks
# that it is still running a few seconds later (it did not crash or quit on start).
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for prog in audrel/ui/audrel orlisk/orlisk; do
  name=$(basename "$prog")
  mkdir -p "$scratch/$name/home"
  (cd "$scratch/$name" && HOME="$scratch/$name/home" XDG_CONFIG_HOME="$scratch/$name/home/.config" \
     QT_QPA_PLATFORM=offscreen exec "$build/$prog" >"$scratch/$name.log" 2>&1) &
  pid=$!
  sleep 3
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"; wait "$pid" 2>/dev/null || true
    echo "$name: started and kept running"
  else
    wait "$pid" || true
    echo "$name: ended on start:" >&2
    cat "$scratch/$name.log" >&2
    status=1
  fi
done
exit $status
