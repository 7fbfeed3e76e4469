# Desktop integration and the Debian package. The program itself is installed by
# src/app/CMakeLists.txt; this file adds what a desktop needs around it and the
# CPack settings for `cpack -G DEB` (scripts/package runs it).
include(GNUInstallDirs)

# The application id names the desktop entry, the icon and the metainfo alike,
# so that software centres and docks can tie the three together.
set(KORVEX_APP_ID example.halvoren.Korvex)
set(_korvex_packaging ${PROJECT_SOURCE_DIR}/packaging)

# A build without the window has nothing for a menu entry to open.
if(KORVEX_BUILD_GUI)
  install(FILES ${_korvex_packaging}/${KORVEX_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_korvex_packaging}/${KORVEX_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${_korvex_packaging}/${KORVEX_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Man pages are shipped compressed; -n leaves the name and time out of the
# gzip header, so the same page always packs to the same bytes.
find_program(KORVEX_GZIP gzip)
if(KORVEX_GZIP)
  set(_korvex_man ${CMAKE_CURRENT_BINARY_DIR}/korvex.1.gz)
  add_custom_command(
    OUTPUT ${_korvex_man}
    COMMAND ${CMAKE_COMMAND} -E copy ${_korvex_packaging}/korvex.1 ${CMAKE_CURRENT_BINARY_DIR}/korvex.1
    COMMAND ${KORVEX_GZIP} -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/korvex.1
    DEPENDS ${_korvex_packaging}/korvex.1
    VERBATIM)
  add_custom_target(korvex_manpage ALL DEPENDS ${_korvex_man})
else()
  set(_korvex_man ${_korvex_packaging}/korvex.1)
endif()
install(FILES ${_korvex_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The metainfo's release list and the man page's footer name the version by
# hand; a version bump that forgets them would ship pages naming the last one.
foreach(_korvex_check
        "${KORVEX_APP_ID}.metainfo.xml|<release version=\"${PROJECT_VERSION}\""
        "korvex.1|\"Korvex ${PROJECT_VERSION}\"")
  string(REPLACE "|" ";" _korvex_check "${_korvex_check}")
  list(GET _korvex_check 0 _korvex_file)
  list(GET _korvex_check 1 _korvex_text)
  file(READ ${_korvex_packaging}/${_korvex_file} _korvex_content)
  string(FIND "${_korvex_content}" "${_korvex_text}" _korvex_at)
  if(_korvex_at EQUAL -1)
    message(WARNING "packaging/${_korvex_file} does not name version ${PROJECT_VERSION}")
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Halvoren)
set(CPACK_PACKAGE_CONTACT Halvoren)
set(CPACK_PACKAGE_HOMEPAGE_URL ${KORVEX_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-first desktop calculator")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvex is a desktop calculator for people who would rather type a whole
formula than press keys. A formula typed into one input line is evaluated
while you type and confirmed into a history with Enter. It offers functions,
angle units, normal, fixed, scientific, engineering, degrees-minutes-seconds,
hexadecimal and binary display, memory, a grand total, user variables,
recorded expressions and input-line commands. korvex --eval runs the same
calculator in a terminal or a script.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER Halvoren)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
# dpkg-shlibdeps names the Qt, ICU and C++ runtime packages the binary links;
# Qt's X11 platform plugin comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library names them: the toolkit's own Japanese texts
# and the icon's SVG reader.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libqt6svg6")
# The menus and dialogs are Japanese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
# korvex_<version>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
