#!/usr/bin/env bash
# Starts Audrel from a build folder (make has built it already).
# With a display it simply runs. Without one it runs under Xvfb with fresh settings, searches
# the sample folder audrel/samples as a user would (types the folder, presses Start), saves a
# screenshot of the window (AUDREL_SHOT, default ./audrel.png) and ends.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$build" && pwd)/audrel/ui/audrel
shot=$(realpath -m "${AUDREL_SHOT:-audrel.png}")

if [ -n "${DISPLAY:-}" ]; then
  exec "$bin"
fi

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

cat >"$scratch/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Inside Xvfb: start Audrel, search the samples through the keyboard, take the screenshot.
set -u
"$BIN" >"$SCRATCH/audrel.log" 2>&1 &
pid=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Brakmo =Audrel=$' | head -n 1)
if [ -z "$wid" ]; then
  echo "Audrel did not show its window:" >&2
  cat "$SCRATCH/audrel.log" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
xdotool windowfocus --sync "$wid" 2>/dev/null || true
sleep 0.3
# Start has the focus at first; the folder box is next.
xdotool key --window "$wid" Tab ctrl+a
xdotool type --window "$wid" --delay 5 "$SAMPLES"
xdotool key --window "$wid" alt+s
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$wid")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOT"
kill "$pid" 2>/dev/null
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
exit 0
SESSION
chmod +x "$scratch/session.sh"

start_xvfb
# Fresh settings, so the window shows its first-start defaults.
SCRATCH=$scratch BIN=$bin SHOT=$shot SAMPLES="$root/audrel/samples/" \
  XDG_CONFIG_HOME="$scratch/config" "$scratch/session.sh" || exit 1
echo "Searched $root/audrel/samples/; screenshot saved to $shot"
