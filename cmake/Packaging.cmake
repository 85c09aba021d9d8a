include(GNUInstallDirs)

# The Debian package: `cpack -G DEB` (tools/dev.sh package) after a Release
# build gives kelvane_<version>_<arch>.deb with both programs and everything
# the desktop needs. Its dependencies are worked out by dpkg-shlibdeps from
# the libraries the binaries link, not written here.
set(KELVANE_MAINTAINER "Kelvane developers <kelvane@example.org>" CACHE STRING
    "The package's Maintainer field: a name and an address")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VENDOR "Kelvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KELVANE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Heroes of Might and Magic III sprite, animation and archive converter")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KELVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description under the summary line (CPack puts the summary
# first itself).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvane shows and converts the files of Heroes of Might and Magic III: the
game's sprites (.pcx files of 8 or 24 bits), ZSoft PCX and P32 images, BMP
and PNG images, DEF animations and LOD or PAC archives. It comes as a Qt
window (kelvane) and a command-line converter (kelvane-cli), with file
types, thumbnails for file managers, manual pages and bash completion.")

# What Debian asks of every package: its copyright and changelog.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/kelvane)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/copyright DESTINATION ${doc})
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/desktop/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/desktop/changelog > ${CMAKE_BINARY_DIR}/desktop/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/desktop/changelog VERBATIM)
add_custom_target(kelvane_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/desktop/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/desktop/changelog.gz DESTINATION ${doc})

include(CPack)
