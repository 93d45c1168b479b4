# What is installed, and the Debian package CPack makes of it: `make package` in the build folder
# writes kestrel_<version>_<arch>.deb. The version is project()'s.
include(GNUInstallDirs)
# Installing (and cpack) takes what is built and does not build everything first: the package test
# runs cpack inside ctest. The repository's `make package` builds before it packs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(KESTREL_PKG ${CMAKE_CURRENT_LIST_DIR})
set(KESTREL_PKG_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${KESTREL_PKG_OUT})

install(TARGETS kestrel kestrel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kestrel-poll)
  install(TARGETS kestrel-poll RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Man pages, compressed as Debian keeps them (-n: no time stamp, so rebuilds give the same bytes).
set(man_pages kestrel.1 kestrel-sim.1)
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/kestrel-poll.1)
  list(APPEND man_pages kestrel-poll.1)
endif()
set(packaged)
foreach(page IN LISTS man_pages)
  add_custom_command(OUTPUT ${KESTREL_PKG_OUT}/${page}.gz
                     COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/docs/${page} > ${KESTREL_PKG_OUT}/${page}.gz
                     DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page} VERBATIM)
  install(FILES ${KESTREL_PKG_OUT}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND packaged ${KESTREL_PKG_OUT}/${page}.gz)
endforeach()

# The menu entry and its icon: the drawing, and two sizes rendered from it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/kestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTREL_PKG}/kestrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
foreach(size 48 256)
  set(png ${KESTREL_PKG_OUT}/${size}/kestrel.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTREL_PKG_OUT}/${size}
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KESTREL_PKG}/kestrel.svg
                     DEPENDS ${KESTREL_PKG}/kestrel.svg VERBATIM)
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  list(APPEND packaged ${png})
endforeach()
add_custom_target(kestrel_package_files ALL DEPENDS ${packaged})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel maintainers <kestrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "commission and watch RS-485 Modbus-RTU environmental sensors")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrel reads, addresses and polls Modbus-RTU sensors on one RS-485 bus, keeps a reading log
and shows live and historical curves. kestrel-sim simulates a bus of such sensors on a
pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Libraries the programs link come from dpkg-shlibdeps. Qt loads its SQLite driver and its
# window-system plugins by name at run time, where dpkg-shlibdeps cannot see them: those two are
# added to what it finds.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
