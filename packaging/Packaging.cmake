# What `cmake --install` puts beside the programs, and the Debian package
# `cpack -G DEB` builds from it.
include(GNUInstallDirs)
set(BRINDLE_CONTACT "Brindle developers <brindle-devel@lists.brindle-project.org>")
set(BRINDLE_DEBIAN_REVISION 1)

# Manual pages and the changelog go in gzipped, made in the build.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
function(brindle_gzipped source out)
  set(gz ${PROJECT_BINARY_DIR}/packaging/${out})
  add_custom_command(OUTPUT ${gz}
                     COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_LIST_DIR}/${source} -DOUT=${gz}
                             -P ${CMAKE_CURRENT_LIST_DIR}/Gzip.cmake
                     DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source} ${CMAKE_CURRENT_LIST_DIR}/Gzip.cmake
                     VERBATIM)
  set_property(GLOBAL APPEND PROPERTY BRINDLE_GZIPPED ${gz})
endfunction()
brindle_gzipped(brindle-cli.1 brindle-cli.1.gz)
brindle_gzipped(brindle.1 brindle.1.gz)
brindle_gzipped(changelog.Debian changelog.Debian.gz)
get_property(gzipped GLOBAL PROPERTY BRINDLE_GZIPPED)
add_custom_target(brindle_packaging_files ALL DEPENDS ${gzipped})

# The changelog's newest entry is this version: a release adds an entry.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog.Debian changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^brindle \\(${PROJECT_VERSION}-${BRINDLE_DEBIAN_REVISION}\\) ")
  message(FATAL_ERROR "packaging/changelog.Debian starts with '${changelog_head}'; "
                      "give version ${PROJECT_VERSION}-${BRINDLE_DEBIAN_REVISION} an entry")
endif()

install(FILES ${CMAKE_CURRENT_LIST_DIR}/brindle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/70-rzt-usbasp.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_BINARY_DIR}/packaging/brindle-cli.1.gz ${PROJECT_BINARY_DIR}/packaging/brindle.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/brindle-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brindle-cli)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brindle)

# cpack packs what the build made and builds nothing itself, so that making
# the package (tst_package does) never relinks a program another test runs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME brindle)
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_CONTACT "${BRINDLE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial EEPROMs, clocks and graphic displays over the RZT-USBasp adapter")
set(CPACK_PACKAGE_DESCRIPTION
    "Brindle drives the RZT-USBasp, a USB adapter built on a USBasp board whose
firmware bridges the computer to I2C, SPI and Microwire. It reads, writes,
verifies and erases 24C02 to 24C16 (I2C) and 93C46 to 93C86 (Microwire)
serial EEPROMs, saving the chip in a backup file before it is changed and
writing only the pages that differ; images are raw, Intel HEX or S-record
files. It reads and sets PCF8583, DS1307 and DS3231 clocks, and draws text,
pictures, a demo and a running clock on SSD1306 OLED and ST7565 displays.

The package holds the window (brindle), the command-line program for
scripts (brindle-cli), and a udev rule that lets the user at the seat open
the adapter. Both programs can run on a virtual adapter with simulated
chips, for trying them without hardware.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${BRINDLE_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "udev")
# Our own scripts (udev reload) stand in for CPack's, which would run
# ldconfig for the update plugin; the plugin is private to the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
