#!/usr/bin/env bash
# Installs what Vellotune needs to build, test and run, from Debian's packages.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-serialport-dev
  libgtest-dev googletest
  clang libclang-rt-14-dev
  hyperfine time
  midicsv abcmidi
  libfluidsynth-dev libasound2-dev fluid-soundfont-gm sox
  xvfb xauth xdotool x11-utils imagemagick fonts-ipafont-gothic
  libqt6svg6
  dpkg-dev desktop-file-utils shared-mime-info help2man
  python3 git
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
