#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds every release artifact into dist/ and lists them with their sizes:
#   hollowmere_VERSION_ARCH.deb          the Debian package (scripts/build-deb.sh)
#   hollowmere-VERSION.tar.gz            the source, from git archive of HEAD
#   hollowmere-VERSION-windows.zip       the Windows game to unzip (scripts/build-windows.sh)
#   hollowmere-VERSION-setup.exe         the Windows installer
#   hollowmere-VERSION-web.zip           the web page with its files and licences (scripts/build-web.sh)
#   SHA256SUMS                           checksums of all of them
# Every artifact is built from the same tree; a failing step stops the release.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dist="$top/dist"
cd "$top"
version=$(sed -n 's/^project(hollowmere VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: note: the work tree has uncommitted changes; the source tarball holds HEAD only" >&2
fi
rm -rf "$dist"
mkdir -p "$dist"

"$top/scripts/build-deb.sh" >/dev/null
git archive --format=tar.gz --prefix="hollowmere-$version/" -o "$dist/hollowmere-$version.tar.gz" HEAD

windows="$top/build-windows"
HOLLOWMERE_WINDOWS_BUILD="$windows" "$top/scripts/build-windows.sh" >/dev/null
cp "$windows/hollowmere-$version-windows.zip" "$windows/hollowmere-$version-setup.exe" "$dist/"

"$top/scripts/build-web.sh" >/dev/null
(cd "$top/build-web" &&
  zip -q -9 -X "$dist/hollowmere-$version-web.zip" index.html hollowmere.js hollowmere.wasm hollowmere.data \
    LICENSE.txt FONT-LICENSE.txt MUSL-LICENSE.txt)

(cd "$dist" && sha256sum -- *.deb *.tar.gz *.zip *.exe > SHA256SUMS)
echo "release $version in $dist:"
(cd "$dist" && for f in *.deb *.tar.gz *.zip *.exe SHA256SUMS; do
  printf '  %-40s %10s bytes\n' "$f" "$(stat -c %s "$f")"
done)
