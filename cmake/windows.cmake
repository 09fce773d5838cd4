# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Windows build's libraries: SDL 1.2 for Windows from HOLLOWMERE_SDL_PREFIX (its headers,
# the import library of SDL.dll, and SDLmain, which supplies WinMain and calls the game's main),
# and the GL and GLU import libraries that come with mingw-w64. The C++ runtime and GCC's
# support libraries are linked in, so the game needs no DLL besides SDL.dll and the system's own.
set(HOLLOWMERE_SDL_PREFIX "" CACHE PATH "Where SDL 1.2 for Windows is installed")
if(NOT EXISTS "${HOLLOWMERE_SDL_PREFIX}/include/SDL/SDL.h")
  message(FATAL_ERROR "SDL 1.2 for Windows not found under HOLLOWMERE_SDL_PREFIX='${HOLLOWMERE_SDL_PREFIX}'")
endif()
add_library(hollowmere_sdl INTERFACE)
target_include_directories(hollowmere_sdl INTERFACE ${HOLLOWMERE_SDL_PREFIX}/include)
target_link_libraries(hollowmere_sdl INTERFACE ${HOLLOWMERE_SDL_PREFIX}/lib/libSDL.dll.a glu32 opengl32)
add_link_options(-static)
# Beside the game, so that it runs from the build folder too.
file(COPY ${HOLLOWMERE_SDL_PREFIX}/bin/SDL.dll DESTINATION ${PROJECT_BINARY_DIR})

# The icon shown by Explorer, the Start menu and the taskbar.
set(HOLLOWMERE_ICON "" CACHE FILEPATH "The game's icon as a Windows .ico")
function(hollowmere_windows_game target)
  target_link_libraries(${target} PRIVATE mingw32 ${HOLLOWMERE_SDL_PREFIX}/lib/libSDLmain.a)
  target_link_options(${target} PRIVATE -mwindows)
  if(HOLLOWMERE_ICON)
    file(WRITE ${PROJECT_BINARY_DIR}/hollowmere.rc "1 ICON \"${HOLLOWMERE_ICON}\"\n")
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/hollowmere.rc)
    set_source_files_properties(${PROJECT_BINARY_DIR}/hollowmere.rc PROPERTIES OBJECT_DEPENDS ${HOLLOWMERE_ICON})
  endif()
endfunction()
file(WRITE ${PROJECT_BINARY_DIR}/version.txt ${PROJECT_VERSION})
