# What `cmake --install` puts where, and the Debian package made from it (`cpack -G DEB`):
# the two programs, the window description files and the example data in share/tessaly
# (where both programs look for them), a desktop entry and its icon.
include(GNUInstallDirs)

set(tessaly_programs tessaly-batch)
if(TARGET tessaly)
  list(APPEND tessaly_programs tessaly)
endif()
install(TARGETS ${tessaly_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/Tessaly6l.fig resources/AuxBox.fig
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaly)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaly/examples)
install(FILES packaging/tessaly.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/tessaly.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/tessaly.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES README.md docs/apes-cva.png docs/windows.png DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "Tessaly developers")
set(CPACK_PACKAGE_CONTACT "Tessaly developers <tessaly@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Canonical variates analysis of two-dimensional landmark data")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tessaly superimposes landmark configurations, expresses them as partial warp scores and "
    "runs a MANOVA with its canonical variates; it classifies specimens, tests the "
    "classification with a jackknife and draws deformation grids. It comes with windows "
    "(tessaly) and a batch runner (tessaly-batch) that replays recorded sessions.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
