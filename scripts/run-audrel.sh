#!/usr/bin/env bash
# Starts Audrel from a build folder (make has built it already).
# With a display it simply runs. Without one it runs under Xvfb with fresh settings, searches
# the sample folder audrel/samples as a user would (types the folder, presses Start), saves a
# screenshot of the window (AUDREL_SHOT, default build/audrel.png), opens the tag editor on the first
# row and saves a screenshot of it too (AUDREL_TAGEDIT_SHOT, default build/audrel-tagedit.png), and
# ends.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$build" && pwd)/audrel/ui/audrel
# Screenshots go under build/, never into the source tree.
shot=$(realpath -m "${AUDREL_SHOT:-$root/build/audrel.png}")
editshot=$(realpath -m "${AUDREL_TAGEDIT_SHOT:-$root/build/audrel-tagedit.png}")
mkdir -p "$(dirname "$shot")" "$(dirname "$editshot")"

if [ -n "${DISPLAY:-}" ]; then
  exec "$bin"
fi

# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
new_scratch

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
# The tag editor: click the first row, open the list's menu from the keyboard and go up to its last
# item, "TAG Editor".
xdotool mousemove --window "$wid" 80 338 click 1
sleep 0.3
xdotool key --window "$wid" Menu
sleep 0.3
xdotool key Up Return
edit=$(timeout 5 xdotool search --sync --onlyvisible --name '^MP3-file TAG Editor$' | head -n 1)
if [ -n "$edit" ]; then
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$edit")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$EDITSHOT"
  xdotool key Escape
else
  echo "The tag editor did not open; no screenshot of it." >&2
fi
kill "$pid" 2>/dev/null
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
exit 0
SESSION
chmod +x "$scratch/session.sh"

rm -f "$editshot"
start_xvfb
# Fresh settings, so the window shows its first-start defaults.
SCRATCH=$scratch BIN=$bin SHOT=$shot EDITSHOT=$editshot SAMPLES="$root/audrel/samples/" \
  XDG_CONFIG_HOME="$scratch/config" "$scratch/session.sh" || exit 1
echo "Searched $root/audrel/samples/; screenshot saved to $shot"
if [ -s "$editshot" ]; then
  echo "Tag editor on the first row: screenshot saved to $editshot"
fi
