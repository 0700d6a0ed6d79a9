#!/usr/bin/env bash
# Time from starting the audrel process to its main window being mapped, under Xvfb.
# Usage: bench/ui/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
bin=$(cd "$build" && pwd)/audrel/ui/audrel
# shellcheck source=scripts/lib/xvfb.sh
source "$(dirname "$0")/../../scripts/lib/xvfb.sh"
new_scratch

cat >"$scratch/measure.sh" <<'MEASURE'
#!/usr/bin/env bash
set -u
for _ in $(seq "$RUNS"); do
  start=$(date +%s%N)
  "$BIN" >>"$SCRATCH/audrel.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name '^Brakmo =Audrel=$' >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "audrel ended early" >&2; cat "$SCRATCH/audrel.log" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
  kill "$pid"
  for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -9 "$pid" 2>/dev/null; then echo "audrel ignored SIGTERM" >&2; fi
done
exit 0
MEASURE
chmod +x "$scratch/measure.sh"
start_xvfb
RUNS=$runs BIN=$bin SCRATCH=$scratch XDG_CONFIG_HOME="$scratch/config" "$scratch/measure.sh" | sort -n >"$scratch/times"
echo "audrel start to visible window, $runs runs (ms): min $(head -n1 "$scratch/times")" \
  "median $(sed -n "$(( (runs + 1) / 2 ))p" "$scratch/times")" "max $(tail -n1 "$scratch/times")"
