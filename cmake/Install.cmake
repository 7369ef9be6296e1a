# What `cmake --install` puts in place, and the Debian package that cpack
# makes of it: the program, its desktop entry, its icon and its manual page.
# Tests and benchmarks are never installed.
include(GNUInstallDirs)

if(TARGET morva)
  install(TARGETS morva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack -G DEB, from a Release build: scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morva)
set(CPACK_PACKAGE_VENDOR "Morva MP3")
set(CPACK_PACKAGE_CONTACT "Morva MP3 maintainers <maintainers@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music player driven by commands typed into a chat room")
set(CPACK_PACKAGE_DESCRIPTION
    "Morva MP3 plays MP3 files and audio CDs (or CUE/BIN and TOC images) on the
dot-commands its owner types into a chat room, and answers in the same room
with an announcement line. It comes with a local chat client whose room is
the terminal and, on a desktop, a room window.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The shared libraries the program links (Qt 6, libmpg123, libout123, libcdio,
# and libpulse and libasound, asked why an output does not open) are found by
# dpkg-shlibdeps. libout123 opens its sound outputs (PulseAudio,
# ALSA, ...) as modules at run time, and Debian ships those in mpg123.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mpg123")
include(CPack)
