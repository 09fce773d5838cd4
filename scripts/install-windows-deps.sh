#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what the Windows build and its tests under Wine need on Debian: the mingw-w64 cross
# compiler, Wine, NSIS and zip, GoogleTest's sources, and the archive's source packages
# (SDL 1.2 is built from Debian's libsdl1.2 source). Does nothing when all are there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine wine64 nsis zip unzip googletest dpkg-dev xvfb xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# apt-get source needs a deb-src entry for the archive the binary packages come from.
need_sources=0
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_sources=1
fi
[ ${#missing[@]} -eq 0 ] && [ $need_sources -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "install-windows-deps: needs root to install ${missing[*]} and a deb-src entry" >&2
  exit 1
fi
if [ $need_sources -eq 1 ]; then
  # The source twin of every binary entry: the same archive, suites and components.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${run[@]}" tee /etc/apt/sources.list.d/hollowmere-src.sources >/dev/null
  else
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      "${run[@]}" tee /etc/apt/sources.list.d/hollowmere-src.list >/dev/null
  fi
fi
echo "install-windows-deps: installing ${missing[*]:-source package lists}"
"${run[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
