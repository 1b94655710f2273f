# Installs Quorvel like a desktop program and describes its Debian package:
# the program in bin/, the engine and the encoder library in a private folder found through
# RUNPATH, a desktop entry and an icon.
include(GNUInstallDirs)

set(QUORVEL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quorvel)

install(TARGETS brenvik bladeenc LIBRARY DESTINATION ${QUORVEL_PRIVATE_LIBDIR})
if(QUORVEL_BUILD_EDITOR)
  set_target_properties(quorvel PROPERTIES INSTALL_RPATH "$ORIGIN/../${QUORVEL_PRIVATE_LIBDIR}")
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES packaging/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/quorvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <quorvel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Record a song from the sound card, trim, fade and save it")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
include(CPack)
