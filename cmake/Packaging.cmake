# Installs Quorvel like a desktop program and describes its Debian package: the program in
# bin/, the engine and the encoder library in a private folder found through RUNPATH, a desktop
# entry, an icon, a manual page, and the copyright file and changelog that Debian asks for.
include(GNUInstallDirs)

set(QUORVEL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quorvel)
set(QUORVEL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorvel)

# Debian keeps manual pages and changelogs compressed at the highest level and without a time
# stamp, so that the same text always gives the same bytes.
function(quorvel_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(plain ${PROJECT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  add_custom_target(quorvel_gzip_${name} ALL DEPENDS ${plain}.gz)
  install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()

install(TARGETS brenvik bladeenc LIBRARY DESTINATION ${QUORVEL_PRIVATE_LIBDIR})
if(QUORVEL_BUILD_EDITOR)
  set_target_properties(quorvel PROPERTIES INSTALL_RPATH "$ORIGIN/../${QUORVEL_PRIVATE_LIBDIR}")
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  quorvel_install_gzipped(packaging/quorvel.1 ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES packaging/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/quorvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/copyright DESTINATION ${QUORVEL_DOCDIR})
quorvel_install_gzipped(packaging/changelog ${QUORVEL_DOCDIR})

set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <quorvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Record a song from the sound card, trim, fade and save it")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/packaging/description.txt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries the program and the engine link (PortAudio, LAME, Qt, TagLib for the MP3 tags,
# libebur128 for loudness) become dependencies through dpkg-shlibdeps, at the versions built on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/drop_ldconfig_scripts.cmake)
include(CPack)
