# What `cmake --install` puts beside the programs, and the Debian package
# `cpack -G DEB` builds from it.
include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/brindle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/70-rzt-usbasp.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/brindle-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/brindle-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brindle-cli)

set(CPACK_PACKAGE_NAME brindle)
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_CONTACT "Brindle developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Serial EEPROMs, clocks and graphic displays over the RZT-USBasp adapter")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "udev")
include(CPack)
