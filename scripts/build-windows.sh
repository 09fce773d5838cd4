#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Windows release on Debian, in build-windows/ (or $HOLLOWMERE_WINDOWS_BUILD):
#   hollowmere-VERSION-windows.zip   the game in a folder to unzip anywhere
#   hollowmere-VERSION-setup.exe     the installer (Start-menu shortcut, uninstaller)
# SDL 1.2 comes from Debian's libsdl1.2 source package, cross-built with mingw-w64 once and
# kept in the cache folder (build-windows/cache, or $HOLLOWMERE_WINDOWS_CACHE). The game is
# cross-built against it with the C++ runtime linked in; the resource pack and the icon
# come from the native build in build/, the same files the Linux game uses.
# `build-windows.sh --tests` also cross-builds the unit tests (scripts/test-windows.sh runs them).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${HOLLOWMERE_WINDOWS_BUILD:-$top/build-windows}"
cache="${HOLLOWMERE_WINDOWS_CACHE:-$out/cache}"
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON

"$top/scripts/install-deps.sh"
"$top/scripts/install-windows-deps.sh"
mkdir -p "$out" "$cache"

# The pack and the icon's pictures, from the native build.
"$top/scripts/build.sh" hollowmere_pack hollowmere_icons >/dev/null

# SDL 1.2 for Windows. Without --disable-stdio-redirect its main would write stdout.txt and
# stderr.txt beside the executable, which under Program Files it may not.
sdl="$cache/sdl-1.2"
if [ ! -f "$sdl/.built" ]; then
  echo "build-windows: building SDL 1.2 for Windows (once; kept in $sdl)"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source -qq libsdl1.2 >/dev/null 2>&1) ||
    { echo "build-windows: cannot fetch the libsdl1.2 source package" >&2; exit 1; }
  src="$(find "$work" -maxdepth 1 -type d -name 'libsdl1.2-*' | head -n 1)"
  rm -rf "$sdl"
  mkdir -p "$work/build"
  (cd "$work/build" &&
    "$src/configure" --host=x86_64-w64-mingw32 --prefix="$sdl" --disable-static \
      --disable-stdio-redirect >"$work/configure.log" 2>&1 &&
    make -j2 >"$work/make.log" 2>&1 && make install >>"$work/make.log" 2>&1) || {
    echo "build-windows: building SDL failed; the end of its log:" >&2
    tail -n 30 "$work"/*.log >&2
    exit 1
  }
  install -m 644 "$src/COPYING" "$sdl/COPYING"
  touch "$sdl/.built"
  rm -rf "$work"
  trap - EXIT
fi

# The icon: the native build's drawings at 256 and 48 pixels, the smaller sizes resampled.
icon="$out/hollowmere.ico"
if [ ! -f "$icon" ] || [ "$top/build/icons/256x256/hollowmere.png" -nt "$icon" ]; then
  convert "$top/build/icons/256x256/hollowmere.png" "$top/build/icons/48x48/hollowmere.png" \
    \( "$top/build/icons/48x48/hollowmere.png" -resize 32x32 \) \
    \( "$top/build/icons/48x48/hollowmere.png" -resize 16x16 \) "$icon"
fi

game="$out/game"
cmake -S "$top" -B "$game" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw64.cmake" \
  -DHOLLOWMERE_SDL_PREFIX="$sdl" -DHOLLOWMERE_ICON="$icon" \
  -DHOLLOWMERE_TESTS=$tests -DHOLLOWMERE_BENCH=OFF >/dev/null
if [ $tests = ON ]; then
  cmake --build "$game" -j 2
else
  cmake --build "$game" -j 2 --target hollowmere hollowmere-replay
fi
version="$(cat "$game/version.txt")"

# The release folder, as the zip holds it and the installer installs it.
name="Hollowmere-$version"
stage="$out/stage/$name"
rm -rf "$out/stage"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/hollowmere.exe" "$game/hollowmere.exe"
x86_64-w64-mingw32-strip -o "$stage/hollowmere-replay.exe" "$game/hollowmere-replay.exe"
x86_64-w64-mingw32-strip -o "$stage/SDL.dll" "$sdl/bin/SDL.dll"
cp "$top/build/hollowmere.data" "$stage/"
sed "s/@VERSION@/$version/; s/\$/\r/" "$top/packaging/windows/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$sdl/COPYING" >"$stage/SDL-LICENSE.txt"
# The game's licence and the font texture's, with Windows line ends so that Notepad shows them.
sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"
cat "$top/packaging/font-licence.txt" "$top/LICENSES/Bitstream-Vera.txt" | sed 's/$/\r/' >"$stage/FONT-LICENSE.txt"
# The notice that the MIT licence of the simulation's math functions (musl's) asks to go along.
sed 's/$/\r/' "$top/third_party/musl-math/COPYRIGHT" >"$stage/MUSL-LICENSE.txt"

zip_file="$out/hollowmere-$version-windows.zip"
rm -f "$zip_file"
(cd "$out/stage" && zip -q -9 -X -r "$zip_file" "$name")

cp "$icon" "$stage/hollowmere.ico"
setup="$out/hollowmere-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
  "$top/packaging/windows/hollowmere.nsi" >/dev/null
rm "$stage/hollowmere.ico"
echo "build-windows: made $zip_file and $setup"
