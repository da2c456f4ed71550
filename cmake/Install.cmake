# `cmake --install` puts the programs in bin/ and, with the dialog, its menu
# entry and icon in the freedesktop places under share/, so a desktop lists
# Quorvex among its applications. Included at the end of the top CMakeLists.txt.
include(GNUInstallDirs)

set(QUORVEX_PACKAGING ${CMAKE_CURRENT_LIST_DIR}/../packaging)

if(TARGET quorvex-cli)
  install(TARGETS quorvex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET quorvex)
  install(TARGETS quorvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${QUORVEX_PACKAGING}/quorvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${QUORVEX_PACKAGING}/quorvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
