# A Debian package of the whole program: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellotune)
set(CPACK_PACKAGE_VENDOR "Vellotune developers")
set(CPACK_PACKAGE_CONTACT "Vellotune developers <vellotune@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "beep music for pocket computers: H-MML to OMP, MIDI and BASIC")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vellotune compiles songs written in the H-MML music language into OMP data,\n"
    "plays them, and exports them as MIDI files, BASIC programs and OMP lists\n"
    "for the PC-E500 and PC-G800 pocket computers. It comes with the vltn\n"
    "command-line tool.")
# The debugging information stays in the build tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries the programs link come from dpkg-shlibdeps; what they load at
# run time is named here: the SVG plugins for the icons, and a General MIDI
# SoundFont for playback.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info, desktop-file-utils, xdg-utils")
include(CPack)
