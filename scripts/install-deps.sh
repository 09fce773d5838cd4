#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs every Debian package that building, playing and testing Hollowmere need, or only
# the packages named as arguments (install-web-deps.sh names the browser's).
# Does nothing when all are installed. Runs as root, or through sudo when it is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libsdl1.2-compat-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libgtest-dev libbenchmark-dev libfreetype-dev fonts-dejavu-core libx11-dev
  xvfb xdotool x11-utils imagemagick openbox
  libpng-dev libsndfile1-dev libsamplerate0-dev sox assimp-utils
  clang libclang-rt-14-dev desktop-file-utils shared-mime-info
  dpkg-dev debootstrap lintian appstream reuse
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "$(basename "$0"): these Debian packages are needed; install them as root:" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "$(basename "$0"): installing ${missing[*]}"
"${run[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y -qq "${missing[@]}"
