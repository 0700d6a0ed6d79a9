#!/usr/bin/env bash
# Installs what the build, the tests and the run commands need from Debian's packages; with
# --packaging, also what make deb and make deb-check need.
# As root it runs apt-get; otherwise it prints the exact command and stops.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins qt6-translations-l10n
  xvfb xauth xdotool x11-utils imagemagick fonts-dejavu-core fonts-dejavu-extra
  # Japanese glyphs for windows under Xvfb (DejaVu has Cyrillic and Greek, no kana or kanji)
  fonts-vlgothic
  strace python3
  libtag1-dev time
  python3-mutagen eyed3 ffmpeg id3v2
)
# The packages' build (debian/control's Build-Depends are in the list above) and their checks.
packaging=(
  debhelper dpkg-dev lintian man-db desktop-file-utils appstream
)
if [ "${1:-}" = --packaging ]; then
  packages+=("${packaging[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

cmd="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  $cmd" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
