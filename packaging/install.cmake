# Installs the program the way a Linux desktop expects: the executable, its menu entry, the emblem
# in the hicolor icon theme, the software-centre metadata and a man page. `cpack -G DEB` turns the
# same install into a Debian package under /usr.
include(GNUInstallDirs)

# The desktop id; the menu entry, the metadata and the icons are all named after it.
set(ORVALIS_APP_ID com.quennet.OrvalisPro)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(icons_dir ${PROJECT_SOURCE_DIR}/resources/icons)

install(TARGETS orvalis-pro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_dir}/${ORVALIS_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/${ORVALIS_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${icons_dir}/emblem-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${ORVALIS_APP_ID}.png)
endforeach()
install(FILES ${icons_dir}/emblem.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${ORVALIS_APP_ID}.svg)
install(FILES ${packaging_dir}/orvalis-pro.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME orvalis-pro)
set(CPACK_PACKAGE_VENDOR Quennet)
set(CPACK_PACKAGE_CONTACT "Quennet <support@quennet.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop website monitor")
set(CPACK_PACKAGE_DESCRIPTION
    "Keeps a list of page addresses and fetches every page again and again, telling a dead
server from a dead connection of your own, noticing changed content, and alerting with
a tray balloon, a flashing tray icon and e-mail.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
