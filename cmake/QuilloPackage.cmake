# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a Debian package of the installed files, for /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillo developers")
if(QUILLO_SUPPORT_EMAIL)
  set(CPACK_PACKAGE_CONTACT "The Quillo developers <${QUILLO_SUPPORT_EMAIL}>")
else()
  set(CPACK_PACKAGE_CONTACT "The Quillo developers")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# strip keeps the compilers' .comment notes; the package's programs go without.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuilloPackageStrip.cmake)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion that shows the state of Claude Code sessions")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quillo watches every Claude Code session on this computer and shows in the\n"
  "tray and in a dashboard which one is working, which waits for the next\n"
  "prompt and which waits for a permission decision. A click brings the\n"
  "session's terminal tab to the front, and a paired phone can follow the\n"
  "sessions over the local network.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(QUILLO_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLO_HOMEPAGE_URL}")
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLO_PACKAGE_MAINTAINER}")
# Depends from the libraries the programs link (dpkg-shlibdeps); Qt's xcb and
# TLS plugins come with libqt6gui6 and libqt6network6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Discovery by phones, the Chinese texts and the interface's symbols.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "avahi-daemon, fonts-noto-cjk, fonts-material-design-icons-iconfont")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
