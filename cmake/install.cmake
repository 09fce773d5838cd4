# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# What `cmake --install` puts where: the game binary in libexec (players start it through the
# launcher in bin, which sets up their own directory first), the generated pack in the shared
# data directory, the desktop entry with the replay files' MIME type, the icons drawn by
# make_icon, the manual pages and the AppStream metadata. The pack tool installs itself from
# tools/. The launcher finds the game and the pack relative to itself, so a tree installed under
# --prefix or DESTDIR works where it lands. The three game directories can be moved for a
# distribution's own layout (the Debian package puts them in games/, lib/games/hollowmere and
# share/games/hollowmere).

include(GNUInstallDirs)

set(HOLLOWMERE_LAUNCHER_DIR ${CMAKE_INSTALL_BINDIR} CACHE STRING "Where the hollowmere command goes")
set(HOLLOWMERE_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/hollowmere CACHE STRING "Where the game binary goes")
set(HOLLOWMERE_DATA_DIR ${CMAKE_INSTALL_DATADIR}/hollowmere CACHE STRING "Where the resource pack goes")

install(TARGETS hollowmere RUNTIME DESTINATION ${HOLLOWMERE_GAME_DIR})

# The launcher names the game and the pack from its own place when all three directories lie
# under the prefix, and by their absolute paths otherwise.
function(hollowmere_launcher_path out dir file)
  if(IS_ABSOLUTE "${HOLLOWMERE_LAUNCHER_DIR}" OR IS_ABSOLUTE "${dir}")
    if(IS_ABSOLUTE "${dir}")
      set(${out} "\"${dir}/${file}\"" PARENT_SCOPE)
    else()
      set(${out} "\"${CMAKE_INSTALL_PREFIX}/${dir}/${file}\"" PARENT_SCOPE)
    endif()
  else()
    file(RELATIVE_PATH rel "/prefix/${HOLLOWMERE_LAUNCHER_DIR}" "/prefix/${dir}/${file}")
    set(${out} "$(readlink -m -- \"$here/${rel}\")" PARENT_SCOPE)
  endif()
endfunction()
hollowmere_launcher_path(LAUNCHER_GAME "${HOLLOWMERE_GAME_DIR}" hollowmere)
hollowmere_launcher_path(LAUNCHER_PACK "${HOLLOWMERE_DATA_DIR}" hollowmere.data)
configure_file(${PROJECT_SOURCE_DIR}/packaging/hollowmere.in ${PROJECT_BINARY_DIR}/packaging/hollowmere @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/hollowmere DESTINATION ${HOLLOWMERE_LAUNCHER_DIR})

# The pack is made by the build; a tree configured without it installs everything else and says so.
install(FILES ${PROJECT_BINARY_DIR}/hollowmere.data DESTINATION ${HOLLOWMERE_DATA_DIR} OPTIONAL)
install(CODE "
  if(NOT EXISTS \"${PROJECT_BINARY_DIR}/hollowmere.data\")
    message(WARNING \"hollowmere: ${PROJECT_BINARY_DIR}/hollowmere.data was not built; the game will have no resource pack\")
  endif()")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/hollowmere.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The replay files' type (*.hmr), which the desktop entry opens; the desktop's MIME database
# takes it in when update-mime-database runs over the directory (dpkg's trigger does in the package).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/hollowmere-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME hollowmere.xml)
# The manual pages name the version and where the pack is installed.
if(IS_ABSOLUTE "${HOLLOWMERE_DATA_DIR}")
  set(HOLLOWMERE_PACK_PATH "${HOLLOWMERE_DATA_DIR}/hollowmere.data")
else()
  set(HOLLOWMERE_PACK_PATH "${CMAKE_INSTALL_PREFIX}/${HOLLOWMERE_DATA_DIR}/hollowmere.data")
endif()
foreach(page hollowmere.6 hollowmere-pack.1 hollowmere-replay.1)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.in ${PROJECT_BINARY_DIR}/packaging/${page} @ONLY)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/packaging/hollowmere.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_BINARY_DIR}/packaging/hollowmere-pack.1 ${PROJECT_BINARY_DIR}/packaging/hollowmere-replay.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The software centre's description of the game (AppStream), with this version as its release.
# The home page and the screenshots published under it are listed only when HOLLOWMERE_HOMEPAGE
# names one; without it the part of the template between its two marks is left out.
set(metainfo_template ${PROJECT_SOURCE_DIR}/packaging/hollowmere.metainfo.xml.in)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${metainfo_template})
file(READ ${metainfo_template} metainfo)
string(REGEX REPLACE "/+$" "" HOLLOWMERE_HOMEPAGE "${HOLLOWMERE_HOMEPAGE}")
if(HOLLOWMERE_HOMEPAGE STREQUAL "")
  string(REGEX REPLACE "[ ]*<!-- From here to the end mark only with a home page[^\n]*\n.*<!-- End of what needs a home page. -->\n"
         "" metainfo "${metainfo}")
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/packaging/org.hollowmere.Hollowmere.metainfo.xml
     CONTENT "${metainfo}" @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/org.hollowmere.Hollowmere.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The icon, drawn at build time at every size the desktop's icon theme asks for.
add_executable(make_icon ${PROJECT_SOURCE_DIR}/packaging/make_icon.cpp)
set_target_properties(make_icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
set(HOLLOWMERE_ICONS)
foreach(size 48 64 128 256)
  set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/hollowmere.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
    COMMAND make_icon ${size} ${png}
    DEPENDS make_icon
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND HOLLOWMERE_ICONS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(hollowmere_icons ALL DEPENDS ${HOLLOWMERE_ICONS})
