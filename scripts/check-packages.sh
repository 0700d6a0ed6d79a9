#!/usr/bin/env bash
# Checks the Debian packages that make deb left in a folder (default build/deb) as a packager
# and a user meet them: lintian without an error or a warning, the desktop and metainfo files
# without a warning, and the unpacked programs answering their command lines and starting
# offscreen. Orlisk starts as its menu entry starts it, on a camera list that points at a
# loopback server, so nothing outside this machine is contacted.
set -euo pipefail
debs=$(cd "${1:-build/deb}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n '1s/.*(\(.*\)).*/\1/p' "$root/debian/changelog")
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

echo "== lintian"
lintian -EvIL +pedantic --fail-on error,warning "$debs"/*.changes || fail "lintian"

# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
new_scratch
unpacked=$scratch/root
for deb in "$debs"/audrel_*.deb "$debs"/orlisk_*.deb; do
  dpkg -x "$deb" "$unpacked"
done
bin=$unpacked/usr/bin

echo "== desktop and metainfo files"
for desktop in "$unpacked"/usr/share/applications/*.desktop; do
  # Orlisk's two main categories (Network, Graphics) give a hint, which is no warning.
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate $desktop"
  if grep -E 'error|warning' <<<"$out"; then fail "desktop-file-validate $desktop"; fi
done
# No error and no warning. What is kept is shown: the pedantic note on the upper case letters
# of the ids (the desktop ids the programs announce) and the info that Orlisk's homepage is
# http, the address its About window names.
out=$(appstreamcli validate --pedantic --no-net "$unpacked"/usr/share/metainfo/*.xml 2>&1) ||
  fail "appstreamcli validate"
echo "$out"
if grep -E '^ *[EW]: ' <<<"$out"; then fail "appstreamcli validate"; fi

echo "== command lines of the unpacked programs"
# expect STATUS STDERR-PATTERN COMMAND...: the status and, when the pattern is not empty, a line
# on stderr matching it.
expect() {
  local want=$1 pattern=$2 status=0
  shift 2
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  if [ "$status" -ne "$want" ]; then
    fail "$* exited $status, not $want"
  elif [ -n "$pattern" ] && ! grep -q -- "$pattern" "$scratch/err"; then
    fail "$*: stderr lacks '$pattern': $(cat "$scratch/err")"
  else
    echo "ok: $* -> $status"
  fi
}
for prog in audrel orlisk findmp3 mp3probe; do
  expect 0 "" env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$prog" --help
  grep -q "usage: $prog" "$scratch/out" || fail "$prog --help: $(head -n1 "$scratch/out")"
  expect 0 "" env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$prog" --version
  [ "$(cat "$scratch/out")" = "$prog $version" ] || fail "$prog --version: $(cat "$scratch/out")"
  # The page as man shows it.
  MANPATH=$unpacked/usr/share/man man -P cat "$prog" 2>/dev/null | grep -q "^NAME" ||
    fail "man $prog"
done
expect 1 "^findmp3: cannot open folder '$scratch/missing': " "$bin/findmp3" "$scratch/missing"
expect 2 "^findmp3: unknown option --bogus; usage: " "$bin/findmp3" --bogus "$scratch"
expect 1 "^mp3probe: cannot read '$scratch/missing.mp3': " "$bin/mp3probe" "$scratch/missing.mp3"
grep -q '"read_ok": false' "$scratch/out" || fail "mp3probe printed no line for the missing file"
expect 2 "^mp3probe: unknown option '--bogus'; usage: " "$bin/mp3probe" --bogus x

echo "== both programs started offscreen from the unpacked packages"
home=$scratch/home
mkdir -p "$home"
run_env=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
  XDG_CACHE_HOME="$home/.cache" QT_QPA_PLATFORM=offscreen)

# Audrel keeps running until it is closed.
(cd "$home" && exec "${run_env[@]}" "$bin/audrel" >"$scratch/audrel.log" 2>&1) &
pid=$!
sleep 3
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "ok: audrel started and kept running"
else
  fail "audrel ended on start: $(cat "$scratch/audrel.log")"
fi

# Orlisk as the menu starts it: the desktop entry's command, from the home folder.
start_samplecam
data=$home/.local/share/orlisk
mkdir -p "$data"
printf 'Loopback camera\r\nhttp://127.0.0.1:%s/cam1.jpg\r\n' "$samplecam_port" >"$data/Cams.inf"
exec_line=$(sed -n 's/^Exec=//p' "$unpacked/usr/share/applications/org.brakmo.Orlisk.desktop")
read -r -a command <<<"$exec_line"
command[0]=$bin/${command[0]}
(cd "$home" && exec "${run_env[@]}" "${command[@]}" >"$scratch/orlisk.log" 2>&1) &
pid=$!
for _ in $(seq 300); do
  grep -q 'GET /cam1.jpg' "$scratch/server.log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q 'GET /cam1.jpg' "$scratch/server.log" && kill -0 "$pid" 2>/dev/null; then
  echo "ok: orlisk ($exec_line) fetched the loopback camera and kept running"
else
  fail "orlisk did not fetch the loopback camera: $(cat "$scratch/orlisk.log")"
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
for f in Cams.inf C1.DAT data.dat; do
  [ ! -e "$home/$f" ] || fail "orlisk wrote $f into the folder it was started from"
done
# A data folder that cannot be made is reported, not worked around in the current folder.
: >"$scratch/file"
expect 1 "^orlisk: cannot work in the data folder" env XDG_DATA_HOME="$scratch/file" \
  QT_QPA_PLATFORM=offscreen "${command[@]}"

[ "$failed" -eq 0 ] && echo "packages: all checks passed"
exit "$failed"
