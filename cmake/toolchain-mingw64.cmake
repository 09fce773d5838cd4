# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Cross-building for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads flavour of
# GCC, whose C++ library has std::thread). SDL 1.2 for Windows is looked for under
# HOLLOWMERE_SDL_PREFIX (scripts/build-windows.sh builds it there); programs built here run
# under Wine when the build or ctest needs to run them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(HOLLOWMERE_WINE NAMES wine wine64)
if(HOLLOWMERE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HOLLOWMERE_WINE})
endif()
