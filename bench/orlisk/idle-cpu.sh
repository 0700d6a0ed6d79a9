#!/usr/bin/env bash
# Idle CPU of Orlisk: runs it under Xvfb with a loopback sample camera (default refresh of
# 10 seconds) and reports the CPU time it used over SECONDS (default 60) as a share of one core.
set -euo pipefail
build=${1:-build/release}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "$build" && pwd)/orlisk/orlisk
# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
new_scratch
start_samplecam
port=$samplecam_port
printf 'Sample camera 1\r\nhttp://127.0.0.1:%s/cam1.jpg\r\n' "$port" >"$scratch/Cams.inf"

cat >"$scratch/measure.sh" <<'MEASURE'
#!/usr/bin/env bash
set -u
cd "$SCRATCH"
"$BIN" >orlisk.log 2>&1 &
pid=$!
sleep 5 # start-up and the first refresh are not idle
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
start=$(date +%s.%N)
sleep "$SECONDS_TO_MEASURE"
t1=$(ticks)
end=$(date +%s.%N)
kill "$pid"
refreshes=$(grep -c 'GET /cam' server.log)
awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$start" -v e="$end" -v r="$refreshes" 'BEGIN {
  cpu = (b - a) / hz; wall = e - s;
  printf "Orlisk used %.2f s of CPU in %.1f s: %.3f %% of one core (%d refreshes in all)\n", cpu, wall, 100 * cpu / wall, r }'
MEASURE
chmod +x "$scratch/measure.sh"
start_xvfb
SCRATCH=$scratch BIN=$bin SECONDS_TO_MEASURE=$seconds "$scratch/measure.sh"
