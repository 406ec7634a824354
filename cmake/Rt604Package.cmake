# The Debian package: "cpack -G DEB" in the build folder packs exactly what
# "cmake --install" installs, for the prefix /usr (the autostart entry then
# goes to /etc/xdg/autostart, see data/CMakeLists.txt).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvan-rt604)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator of the Orvan RT-604 gaming keyboard")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installs to absolute paths (/etc) land in the package too.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvan RT-604 configurator developers <rt604@orvan-gear.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvan-gear.example/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
 Remaps the keys and the macro keys G1 to G9 of the Orvan RT-604 in its three
 on-board profiles, records macros, tunes the lighting, switches profiles and
 saves the configuration to profile files. The program lives in the
 notification area; rt604ctl checks profile files and reads and writes the
 keyboard from scripts. A udev rule gives the user at the seat access to the
 keyboard.")
# The shared libraries the programs link come from dpkg-shlibdeps; the
# platform plugins Qt loads at run time are no link dependency.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
  ${CMAKE_CURRENT_LIST_DIR}/debian/postrm
  ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
