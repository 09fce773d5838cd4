#!/usr/bin/env bash
# Builds the browser version into ./build-web: index.html (our own page), hollowmere.js,
# hollowmere.wasm and the resource pack, with Debian's Emscripten. The pack comes from the native
# build (./build, made here when missing). Serve the folder over HTTP (a browser will not load
# the .wasm from a file:// page), e.g. `python3 -m http.server -d build-web 8000`.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
"$top/scripts/install-web-deps.sh"

# Debian's Emscripten needs Debian's node modules when the node on PATH is another one.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

out="$top/build-web"
obj="$out/obj"
mkdir -p "$obj"

[ -f build/hollowmere.data ] || "$top/scripts/build.sh" hollowmere_pack

# The game's own sources less the desktops' platform files, the browser's platform, its
# stand-ins, and the program's entry.
sources=()
for f in src/*/*.cpp; do
  case "$f" in src/platform/platform_*.cpp) continue ;; esac
  sources+=("$f")
done
sources+=(src/platform/platform_posix.cpp src/platform/platform_web.cpp src/platform/web/*.cpp app/main.cpp)

# SDL 1.2's key numbers come first, ahead of the browser SDL's own. An object is remade when its
# source or any header is newer; two compile at a time.
flags="-std=c++20 -O2 -Wall -Wextra -Werror -Isrc -Isrc/platform/web/include -include sdl12.h"
objects=()
stale=()
for f in "${sources[@]}"; do
  o="$obj/$(echo "${f%.cpp}" | tr / _).o"
  objects+=("$o")
  if [ ! -f "$o" ] || [ "$f" -nt "$o" ] || [ -n "$(find src -name '*.h' -newer "$o" | head -1)" ]; then
    stale+=("$f" "$o")
  fi
done
if [ ${#stale[@]} -gt 0 ]; then
  printf '%s\n' "${stale[@]}" | xargs -P 2 -n 2 sh -c "em++ $flags -c \"\$0\" -o \"\$1\""
fi

cp build/hollowmere.data "$out/hollowmere.data"
em++ -O2 "${objects[@]}" -o "$out/hollowmere.js" \
  -sLEGACY_GL_EMULATION=1 -sGL_UNSAFE_OPTS=0 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB \
  -sEXIT_RUNTIME=0 -sFORCE_FILESYSTEM=1 -lidbfs.js \
  -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency \
  --js-library src/platform/web/library_hollowmere.js \
  --pre-js web/pre.js
version=$(sed -n 's/^project(hollowmere VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
sed "s/@VERSION@/$version/" web/index.html > "$out/index.html"
echo "build-web: $(du -cb "$out"/index.html "$out"/hollowmere.js "$out"/hollowmere.wasm "$out"/hollowmere.data | tail -1 | cut -f1) bytes in build-web/"
