# The Debian package, made by `cpack -G DEB` in a build folder from the
# install rules: the program, the command-line tool, the simulator, the
# guide, the desktop entry, the icon and the manual pages. Name, version,
# description and maintainer come from the top CMakeLists.txt.

set(CPACK_PACKAGE_NAME qzm530rx)
set(CPACK_PACKAGE_VENDOR "Zephran")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_CONTACT ${QZM_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QZM_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # qzm530rx_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help opens the guide through the desktop's PDF viewer.
# The record of microphones opens SQLite files through Qt's driver, and a
# shop's PostgreSQL database through the other.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pdf-viewer, libqt6sql6-psql")
# The long description under the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Reads the 2304-byte configuration of a VHM-81 or VHM-82 noise-cancelling
speaker microphone over a serial or USB-serial programming cable, edits it
on one settings form or byte by byte in a memory map, writes it back, and
keeps configurations in .dat files.

The package holds the desktop program qzm530rx, the production-line window
qzm530rx-line for programming many microphones on several ports at once,
the command-line tool qzm530rx-cli for scripts and batches, and the
simulator qzm530rx-sim, a virtual microphone on a pseudo-terminal.")

include(CPack)
