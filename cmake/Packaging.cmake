# Installing the game like any desktop program (program, data pack, menu entry, icons) and
# packing that installation into a Debian package with CPack.
include(GNUInstallDirs)

if(TARGET velkaro)
  install(TARGETS velkaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The engine finds the pack here relative to the program, or at the folder it was built for.
  install(FILES ${VELKARO_DATA_PACK} DESTINATION ${CMAKE_INSTALL_DATADIR}/velkaro)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/velkaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${VELKARO_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkaro)
set(CPACK_PACKAGE_VENDOR "Velkaro maintainers")
set(CPACK_PACKAGE_CONTACT "Velkaro maintainers <maintainers@users.noreply.c-seed-02ee7f5b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small 2D space arcade game: keep a solar system alive")
set(CPACK_PACKAGE_DESCRIPTION
    "A sun, planets circling it and moons circling the planets, each on its own ellipse. Bodies \
that touch explode. Reshape the planets' orbits and change their speed with the mouse to keep \
enough of them alive for thirty game years.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Dependencies are computed from the libraries the program links (dpkg-shlibdeps). OpenGL
# itself is loaded by SDL at run time, so no linked library names it: it is added by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
include(CPack)
