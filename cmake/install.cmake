# Installation (cmake --install) and the Debian package (cpack -G DEB, see scripts/package).
include(GNUInstallDirs)

install(TARGETS velmorix velmorix-sim velmorix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/velmorix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/velmorix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME velmorix)
set(CPACK_PACKAGE_VENDOR "Velmorix")
set(CPACK_PACKAGE_CONTACT "Velmorix maintainers <velmorix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Console for a CNC controller on an RS-232 line")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Debian's Qt runtime, never the -dev packages; the xcb platform plugin comes with qt6-qpa-plugins.
# The C and C++ runtime are those of Debian 12's compiler.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), \
libqt6serialport6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), qt6-qpa-plugins (>= 6.4), libstdc++6 (>= 11), libgcc-s1 (>= 3.0), libc6 (>= 2.34)")
# The window's texts hold full-width and CJK characters ("：", "！", GBK name tables) that the usual
# desktop fonts lack; the console falls back to this font for them.
# A shop's shared transfer journal is a PostgreSQL database, reached through Qt's PostgreSQL driver.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, libqt6sql6-psql")
include(CPack)
