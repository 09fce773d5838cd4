#!/usr/bin/env bash
# Installs the Debian packages the browser build and its tests need: Emscripten (with its node
# modules), Chromium, and Python's WebSocket client for the DevTools protocol. Does nothing when
# all are installed. Runs as root, or through sudo when it is there.
set -euo pipefail

packages=(emscripten chromium python3-websocket)

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
  echo "install-web-deps: these Debian packages are needed; install them as root:" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "install-web-deps: installing ${missing[*]}"
"${run[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y -qq "${missing[@]}"
