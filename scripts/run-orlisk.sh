#!/usr/bin/env bash
# Starts Orlisk from a build folder (make has built it already).
# With a display it simply runs. Without one it runs under Xvfb in a scratch folder whose
# camera list points at the sample cameras of orlisk/data/samplecam, served on loopback; after
# two refreshes it saves a screenshot (ORLISK_SHOT, default build/orlisk.png), double-clicks the
# picture, saves the fullscreen window beside it (ORLISK_FULLSHOT, default build/orlisk-fullscreen.png)
# and ends.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$build" && pwd)/orlisk/orlisk
# Screenshots go under build/, never into the source tree.
shot=$(realpath -m "${ORLISK_SHOT:-$root/build/orlisk.png}")
fullshot=$(realpath -m "${ORLISK_FULLSHOT:-$root/build/orlisk-fullscreen.png}")
mkdir -p "$(dirname "$shot")" "$(dirname "$fullshot")"

if [ -n "${DISPLAY:-}" ]; then
  exec "$bin"
fi

# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
new_scratch
start_samplecam
port=$samplecam_port

printf 'Sample camera 1\r\nhttp://127.0.0.1:%s/cam1.jpg\r\nSample camera 2\r\nhttp://127.0.0.1:%s/cam2.jpg\r\n' \
  "$port" "$port" >"$scratch/Cams.inf"

cat >"$scratch/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Inside Xvfb: start Orlisk, wait for two downloads, take the screenshots, close Orlisk.
set -u
cd "$SCRATCH"
"$BIN" >orlisk.log 2>&1 &
pid=$!
for _ in $(seq 600); do
  [ "$(grep -c 'GET /cam' server.log)" -ge 2 ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
sleep 1
import -window root "$SHOT"
# Without a window manager the window sits alone at the top left: keep just that part.
mogrify -trim +repage "$SHOT"
# A double click on the picture hands over to the fullscreen window.
xdotool mousemove --window "$(xdotool search --name '^Orlisk$' | head -1)" 160 130 \
  click --repeat 2 --delay 80 1
sleep 1
import -window root "$FULLSHOT"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit 0
SESSION
chmod +x "$scratch/session.sh"

start_xvfb
SCRATCH=$scratch BIN=$bin SHOT=$shot FULLSHOT=$fullshot "$scratch/session.sh"
echo "Two refreshes done; screenshots saved to $shot and $fullshot"
grep 'GET /' "$scratch/server.log" | sed 's/^/  server: /'
