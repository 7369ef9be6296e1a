# What `cmake --install` puts in place: the program, its desktop entry, its
# icon and its manual page.
# Tests and benchmarks are never installed.
include(GNUInstallDirs)

if(TARGET morva)
  install(TARGETS morva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/morva.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
