#!/usr/bin/env bash
# Idle CPU of Orlisk: runs it under Xvfb (1024x768, no window manager) with a loopback camera
# whose picture is 1920x1080, refreshing every 10 seconds (the default), and reports the CPU time
# it used over SECONDS (default 60) as a share of one core and how often its threads woke up (the
# run counts of /proc/PID/task/*/schedstat, summed over all threads), in four cases: the main
# window and fullscreen, each with the blur on and off. The refreshes are counted in; with a third argument
# "between", the refresh interval is typed up to 60 seconds first, so that SECONDS (at most 55)
# see no refresh at all.
set -euo pipefail
build=${1:-build/release}
seconds=${2:-60}
between=${3:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "$build" && pwd)/orlisk/orlisk
# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
new_scratch
mkdir "$scratch/cam"
convert -size 1920x1080 gradient:'#5080d0-#dce6f0' -fill '#405030' -draw 'rectangle 0,700 1920,1080' \
  -fill '#806040' -draw 'polygon 900,700 960,150 1020,700' -quality 85 "$scratch/cam/cam.jpg"
start_samplecam "$scratch/cam"
port=$samplecam_port

cat >"$scratch/measure.sh" <<'MEASURE'
#!/usr/bin/env bash
# One case: $1 = windowed|fullscreen, $2 = blur|noblur.
set -u
view=$1
blur=$2
home=$SCRATCH/$view-$blur
mkdir -p "$home"
cd "$home"
export XDG_CACHE_HOME=$home/cache # the picture file stays in the scratch folder
printf 'Camera\r\nhttp://127.0.0.1:%s/cam.jpg\r\n' "$PORT" >Cams.inf
before=$(grep -c 'GET /cam' "$SCRATCH/server.log")
"$BIN" >orlisk.log 2>&1 &
pid=$!
sleep 3
win=$(xdotool search --name '^Orlisk$' | head -1)
# The main window sits at the top left: "Blur Effect" at (167, 320), the picture at (160, 130),
# the refresh interval at (16, 311).
[ "$blur" = noblur ] && xdotool mousemove --window "$win" 167 320 click 1
if [ -n "$BETWEEN" ]; then
  xdotool mousemove --window "$win" 16 311 click 1 key ctrl+a type 60
fi
[ "$view" = fullscreen ] && xdotool mousemove --window "$win" 160 130 click --repeat 2 --delay 80 1
sleep 2 # the hand-over and its first paint are not idle
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# The third field of a thread's schedstat counts the times it was put on a CPU: its wake-ups.
# Threads come and go (Qt's name lookup pool), so the counts are taken per thread: a thread
# that only the second look sees counts in whole.
snapshot() {
  local f
  for f in /proc/"$pid"/task/*/schedstat; do
    t=${f%/schedstat}
    echo "${t##*/} $(cut -d' ' -f3 "$f" 2>/dev/null || echo 0)"
  done
}
wakeups() { awk 'NR == FNR { before[$1] = $2; next } { n += $2 - ($1 in before ? before[$1] : 0) } END { print n }' "$1" "$2"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
snapshot >"$home/threads0"
start=$(date +%s.%N)
sleep "$SECONDS_TO_MEASURE"
t1=$(ticks)
snapshot >"$home/threads1"
end=$(date +%s.%N)
woken=$(wakeups "$home/threads0" "$home/threads1")
shown=$(xwininfo -name 'Orlisk Fullscreen Window' 2>/dev/null | awk '/Map State/ { print $3 }')
kill "$pid"
refreshes=$(( $(grep -c 'GET /cam' "$SCRATCH/server.log") - before ))
awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$start" -v e="$end" -v r="$refreshes" \
    -v w="$woken" -v c="$view, $blur" -v f="${shown:-never created}" 'BEGIN {
  cpu = (b - a) / hz; wall = e - s;
  printf "%-22s %.2f s of CPU in %.1f s: %.3f %% of one core, %.1f wake-ups/s (%d refreshes in all; fullscreen window %s)\n", c, cpu, wall, 100 * cpu / wall, w / wall, r, f }'
MEASURE
chmod +x "$scratch/measure.sh"
start_xvfb
for view in windowed fullscreen; do
  for blur in blur noblur; do
    SCRATCH=$scratch BIN=$bin PORT=$port SECONDS_TO_MEASURE=$seconds BETWEEN=$between \
      "$scratch/measure.sh" "$view" "$blur"
  done
done
