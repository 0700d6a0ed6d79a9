#!/usr/bin/env bash
# Time from starting the audrel process to its main window being mapped, under Xvfb.
# Usage: bench/ui/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
bin=$(cd "$build" && pwd)/audrel/ui/audrel
scratch=$(mktemp -d)
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
# Our own X server on a display it picks itself (parallel xvfb-run calls can collide on one).
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$scratch/display" ] && break
    sleep 0.05
  done
  [ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$scratch/display")"
}

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
