# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where. The three programs share one folder: the
# monitor registers the recorder that lies next to its own executable.
include(GNUInstallDirs)

install(TARGETS QuilloMac QuilloHook QuilloPeer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(quillo_data ${PROJECT_SOURCE_DIR}/data)

# The metainfo and the copyright note name the home page and the support
# address of this build; where the build names none, the element or field is
# left out rather than filled with a stand-in.
file(READ ${quillo_data}/com.quillo.mac.metainfo.xml quillo_metainfo)
if(QUILLO_HOMEPAGE_URL)
  string(REGEX REPLACE "/$" "" quillo_home "${QUILLO_HOMEPAGE_URL}")
  string(REPLACE "@QUILLO_HOMEPAGE_URL@" "${quillo_home}" quillo_metainfo "${quillo_metainfo}")
else()
  string(REGEX REPLACE "  <url type=\"homepage\">[^\n]*\n" "" quillo_metainfo
    "${quillo_metainfo}")
  string(REGEX REPLACE "  <screenshots>.*</screenshots>\n" "" quillo_metainfo
    "${quillo_metainfo}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/data/com.quillo.mac.metainfo.xml
  CONTENT "${quillo_metainfo}" @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/com.quillo.mac.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${quillo_data}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The menu entry runs "QuilloMac" from PATH where the programs go to a folder
# that is always on it; elsewhere (~/.local/bin is on PATH only after the next
# login, if at all) it names the installed program. The prefix is known only at
# install time (`cmake --install --prefix`, CPack's /usr), hence install(CODE).
set(QUILLO_DESKTOP_SOURCE ${quillo_data}/com.quillo.mac.desktop)
set(QUILLO_DESKTOP_STAGING ${CMAKE_BINARY_DIR}/install-staging)
install(CODE "
  set(desktop_source \"${QUILLO_DESKTOP_SOURCE}\")
  set(staging \"${QUILLO_DESKTOP_STAGING}\")
  set(bindir_name \"${CMAKE_INSTALL_BINDIR}\")
" ALL_COMPONENTS)
install(CODE [[
  set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir_name}")
  if(bindir STREQUAL "/usr/bin" OR bindir STREQUAL "/usr/local/bin")
    set(exec "QuilloMac")
  else()
    set(exec "\"${bindir}/QuilloMac\"")
  endif()
  file(READ "${desktop_source}" entry)
  string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=${exec}" entry "${entry}")
  file(WRITE "${staging}/com.quillo.mac.desktop" "${entry}")
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
    FILES "${staging}/com.quillo.mac.desktop")
]] ALL_COMPONENTS)

# Man pages, with the version filled in and compressed as man-db and Debian
# expect them.
find_program(QUILLO_GZIP gzip REQUIRED)
set(quillo_man_pages)
foreach(page QuilloMac QuilloHook QuilloPeer)
  set(VERSION ${PROJECT_VERSION})
  configure_file(${quillo_data}/man/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${QUILLO_GZIP} -9 -n -f -k ${page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man
    VERBATIM)
  list(APPEND quillo_man_pages ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(quillo_man_pages ALL DEPENDS ${quillo_man_pages})
install(FILES ${quillo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright note and the change log that every Debian package carries (a
# version without a Debian revision makes it a native package: changelog.gz).
# A Debian package must name its maintainer with an address: the support
# address when the build has one, else whoever builds the package, as Debian's
# own tools take it (DEBFULLNAME and DEBEMAIL, else the account on this host).
if(QUILLO_SUPPORT_EMAIL)
  set(QUILLO_PACKAGE_MAINTAINER "The Quillo developers <${QUILLO_SUPPORT_EMAIL}>")
else()
  set(quillo_builder "$ENV{DEBFULLNAME}")
  set(quillo_builder_mail "$ENV{DEBEMAIL}")
  if(NOT quillo_builder_mail)
    execute_process(COMMAND id -un OUTPUT_VARIABLE quillo_user
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND hostname --fqdn OUTPUT_VARIABLE quillo_host
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(quillo_builder_mail "${quillo_user}@${quillo_host}")
  endif()
  if(NOT quillo_builder)
    set(quillo_builder "Quillo builder")
  endif()
  set(QUILLO_PACKAGE_MAINTAINER "${quillo_builder} <${quillo_builder_mail}>")
endif()
configure_file(${quillo_data}/changelog ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
file(READ ${quillo_data}/copyright quillo_copyright)
if(NOT QUILLO_SUPPORT_EMAIL)
  string(REGEX REPLACE "Upstream-Contact:[^\n]*\n" "" quillo_copyright "${quillo_copyright}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/copyright CONTENT "${quillo_copyright}" @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND ${QUILLO_GZIP} -9 -n -f -k changelog
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/doc
  VERBATIM)
add_custom_target(quillo_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillo)
