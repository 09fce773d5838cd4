#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the browser version into ./build-web: index.html (our own page), hollowmere.js,
# hollowmere.wasm, the resource pack and the licences (LICENSE.txt, FONT-LICENSE.txt), with
# Debian's Emscripten. The pack comes from the native build (./build, made here when missing).
# Serve the folder over HTTP (a browser will not load the .wasm from a file:// page), e.g.
# `python3 -m http.server -d build-web 8000`.
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
# source or any header is newer; two compile at a time. The simulation's arithmetic is the
# desktops' (no fused multiply-adds), and its math functions are the same musl source
# (third_party/musl-math, built as CMakeLists.txt builds it).
version=$(sed -n 's/^project(hollowmere VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
flags="-DHOLLOWMERE_VERSION=\"$version\" -std=c++20 -O2 -ffp-contract=off -Wall -Wextra -Werror -Isrc -Isrc/platform/web/include -include sdl12.h"
math_flags="-std=c99 -O2 -ffp-contract=off -Wall -Wextra -Werror -Wno-parentheses
  -include third_party/musl-math/libm.h"
stale=()
compile_list() { # compiler, flags, object list to fill, sources...
  local compiler=$1 cflags=$2 list=$3
  shift 3
  for f in "$@"; do
    o="$obj/$(echo "${f%.*}" | tr / _).o"
    eval "$list+=(\"\$o\")"
    if [ ! -f "$o" ] || [ "$f" -nt "$o" ] ||
      [ -n "$(find src third_party -name '*.h' -newer "$o" | head -1)" ]; then
      stale+=("$compiler" "$cflags" "$f" "$o")
    fi
  done
}
objects=()
math_objects=()
check_objects=()
compile_list em++ "$flags" objects "${sources[@]}"
compile_list emcc "$math_flags" math_objects third_party/musl-math/*.c
compile_list em++ "$flags" check_objects tests/sim/sim_check.cpp
tool_objects=()
compile_list em++ "$flags" tool_objects tools/replay_tool.cpp
if [ ${#stale[@]} -gt 0 ]; then
  printf '%s\0' "${stale[@]}" | xargs -0 -P 2 -n 4 sh -c '$0 $1 -c "$2" -o "$3"'
fi
objects+=("${math_objects[@]}")

cp build/hollowmere.data "$out/hollowmere.data"
em++ -O2 "${objects[@]}" -o "$out/hollowmere.js" \
  -sLEGACY_GL_EMULATION=1 -sGL_UNSAFE_OPTS=0 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB \
  -sEXIT_RUNTIME=0 -sFORCE_FILESYSTEM=1 -lidbfs.js \
  -sEXPORTED_RUNTIME_METHODS=FS,ccall,addRunDependency,removeRunDependency \
  --js-library src/platform/web/library_hollowmere.js \
  --pre-js web/pre.js
# The simulation's check (tests/sim/sim_check.cpp) for Node.js: the browser's arithmetic, run
# outside a browser, compared with tests/sim/golden.txt by scripts/test-web.sh.
game_objects=()
for o in "${objects[@]}"; do
  case "$o" in */app_main.o) ;; *) game_objects+=("$o") ;; esac
done
em++ -O2 "${game_objects[@]}" "${check_objects[@]}" -o "$out/sim_check.js" \
  -sENVIRONMENT=node -sSINGLE_FILE=1 -sEXIT_RUNTIME=1 -sLEGACY_GL_EMULATION=1 -sGL_UNSAFE_OPTS=0 \
  -sALLOW_MEMORY_GROWTH=1 \
  --js-library src/platform/web/library_hollowmere.js --pre-js web/node-pre.js
# hollowmere-replay for Node.js, the desktops' tool with the browser's simulation: the files it
# is given are the host's (NODERAWFS), e.g. `node build-web/hollowmere-replay.js verify FILE`.
em++ -O2 "${game_objects[@]}" "${tool_objects[@]}" -o "$out/hollowmere-replay.js" \
  -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1 -sEXIT_RUNTIME=1 -sLEGACY_GL_EMULATION=1 \
  -sGL_UNSAFE_OPTS=0 -sALLOW_MEMORY_GROWTH=1 \
  --js-library src/platform/web/library_hollowmere.js --pre-js web/node-pre.js
version=$(sed -n 's/^project(hollowmere VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
sed "s/@VERSION@/$version/" web/index.html > "$out/index.html"
# The game's licence and the font texture's, which the page's footer links.
cp LICENSE "$out/LICENSE.txt"
cat packaging/font-licence.txt LICENSES/Bitstream-Vera.txt > "$out/FONT-LICENSE.txt"
cp third_party/musl-math/COPYRIGHT "$out/MUSL-LICENSE.txt" # the math functions' MIT notice
echo "build-web: $(du -cb "$out"/index.html "$out"/hollowmere.js "$out"/hollowmere.wasm "$out"/hollowmere.data | tail -1 | cut -f1) bytes in build-web/"
