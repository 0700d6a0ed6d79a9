# shellcheck shell=bash
# Sourced by the run scripts and the window benchmarks, which start a program without a display.
# new_scratch: makes a scratch folder ($scratch) that goes away on exit, together with every
# process started through the helpers below.
# start_xvfb: our own X server on a display it picks itself (parallel xvfb-run calls can collide
# on one); exports DISPLAY.
# start_samplecam [folder]: serves orlisk/data/samplecam (or the folder given) on a free loopback
# port ($samplecam_port), logging requests to $scratch/server.log.

helper_pids=()

stop_helpers() {
  local pid
  for pid in "${helper_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}

new_scratch() {
  scratch=$(mktemp -d)
  trap stop_helpers EXIT
}

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" >/dev/null 2>&1 &
  helper_pids+=($!)
  for _ in $(seq 200); do
    [ -s "$scratch/display" ] && break
    sleep 0.05
  done
  [ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  DISPLAY=":$(head -n1 "$scratch/display")"
  export DISPLAY
}

start_samplecam() {
  local root folder
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  folder=${1:-$root/orlisk/data/samplecam}
  samplecam_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  python3 -m http.server --bind 127.0.0.1 --directory "$folder" "$samplecam_port" \
    >"$scratch/server.log" 2>&1 &
  helper_pids+=($!)
  for _ in $(seq 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $samplecam_port), 1)" 2>/dev/null && break
    sleep 0.1
  done
}
