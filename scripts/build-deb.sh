#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Debian package dist/hollowmere_VERSION_ARCH.deb: an optimised, hardened build
# installed in Debian's games layout (/usr/games/hollowmere, the game in
# /usr/lib/games/hollowmere, the pack in /usr/share/games/hollowmere, the pack tool in
# /usr/bin), with dependencies computed from the libraries the binaries link (dpkg-shlibdeps).
# Prints the package's path. Runs lintian on it when lintian is installed. The home page
# (the Homepage field and the metainfo's links) comes from $HOLLOWMERE_HOMEPAGE; without one, none.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build-deb"
dist="$top/dist"
"$top/scripts/install-deps.sh"

# Debian's own hardening flags (fortify, stack protector, relro, now).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DHOLLOWMERE_TESTS=OFF -DHOLLOWMERE_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_INSTALL_PREFIX=/usr -DHOLLOWMERE_LAUNCHER_DIR=games \
  -DHOLLOWMERE_GAME_DIR=lib/games/hollowmere -DHOLLOWMERE_DATA_DIR=share/games/hollowmere \
  -DHOLLOWMERE_HOMEPAGE="${HOLLOWMERE_HOMEPAGE:-}" >/dev/null
cmake --build "$build"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
homepage=$(sed -n 's/^HOLLOWMERE_HOMEPAGE:STRING=//p' "$build/CMakeCache.txt")
release_date=$(sed -n 's/^set(HOLLOWMERE_RELEASE_DATE \(.*\))$/\1/p' "$top/CMakeLists.txt")
arch=$(dpkg --print-architecture)
# The staging tree sits where dpkg-shlibdeps looks for a package's files.
tree="$build/pkg"
stage="$tree/debian/hollowmere"
rm -rf "$tree"
DESTDIR="$stage" cmake --install "$build" --strip >/dev/null

# Documentation as Debian keeps it: compressed manual pages, the copyright file, a changelog.
doc="$stage/usr/share/doc/hollowmere"
gzip -9n "$stage"/usr/share/man/man*/*
install -m 0644 "$top/packaging/debian/copyright" "$doc/copyright"
printf 'hollowmere (%s) stable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' "$version" "$version" \
  "$(sed -n 's/^Maintainer: //p' "$top/packaging/debian/control.in")" \
  "$(date -u -R -d "$release_date 12:00")" | gzip -9n > "$doc/changelog.gz"

# Dependencies from the binaries' libraries; dpkg-shlibdeps wants a source tree around it.
# Two are named by hand. The SDL 1.2 symbols resolve to the virtual libsdl1.2debian, which apt
# would satisfy with the old SDL 1.2 itself: the game is made for the layer on SDL 2 (its full
# screen and gamepads), so that is named instead. And SDL opens the GLX library at run time.
printf 'Source: hollowmere\n\nPackage: hollowmere\nArchitecture: any\n' > "$tree/debian/control"
depends=$(cd "$tree" && dpkg-shlibdeps -O -xlibsdl1.2debian debian/hollowmere/usr/lib/games/hollowmere/hollowmere \
  debian/hollowmere/usr/bin/hollowmere-pack debian/hollowmere/usr/bin/hollowmere-replay | sed -n 's/^shlibs:Depends=//p')
depends="$depends, libsdl1.2-compat-shim (>= 1.2.60), libgl1"

# The Homepage field only when the build names a home page (HOLLOWMERE_HOMEPAGE in the environment).
homepage_edit=(-e "s#@HOMEPAGE@#$homepage#")
[ -n "$homepage" ] || homepage_edit=(-e '/^Homepage: @HOMEPAGE@$/d')
mkdir -p "$stage/DEBIAN"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s#@VERSION@#$version#" -e "s#@ARCH@#$arch#" -e "s#@SIZE@#$size#" -e "s#@DEPENDS@#$depends#" \
  "${homepage_edit[@]}" "$top/packaging/debian/control.in" > "$stage/DEBIAN/control"
(cd "$stage" && find usr -type f | sort | xargs md5sum) > "$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$dist"
deb="$dist/hollowmere_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error $([ "$(id -u)" -eq 0 ] && echo --allow-root) "$deb" >&2
fi
echo "$deb"
