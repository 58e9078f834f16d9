# What `cmake --install` puts where: the two programs in bin/, the three link libraries, the packet
# engine and the virtual printer in a private library folder that only our programs find (through
# a relative RPATH, so the tree can be moved or packaged as a whole), and what a Linux desktop
# expects of an application: its .desktop entry, icons, AppStream metainfo and man pages.
include(GNUInstallDirs)

set(QUORLA_INSTALL_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/quorla-adjust")
file(RELATIVE_PATH _quorla_bin_to_lib "/${CMAKE_INSTALL_BINDIR}" "/${QUORLA_INSTALL_PRIVATE_LIBDIR}")

set(QUORLA_PRIVATE_LIBRARIES d4 porthub pktlink mechcmd vprinter vprinterpanel vprinterscenario
  vprinterembedded)
set_target_properties(${QUORLA_PRIVATE_LIBRARIES} PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(quorla-adjust quorla-vprinter PROPERTIES
  INSTALL_RPATH "$ORIGIN/${_quorla_bin_to_lib}")

install(TARGETS quorla-adjust quorla-vprinter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ${QUORLA_PRIVATE_LIBRARIES}
  LIBRARY DESTINATION ${QUORLA_INSTALL_PRIVATE_LIBDIR} NAMELINK_SKIP)

set(_quorla_app_id org.quorla.z40adjust)
install(FILES packaging/${_quorla_app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${_quorla_app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/icons/${_quorla_app_id}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES packaging/icons/${size}/${_quorla_app_id}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Man pages go out compressed, as Debian's policy wants; -n keeps the archive free of time stamps.
find_program(QUORLA_GZIP gzip REQUIRED)
foreach(page quorla-adjust quorla-vprinter)
  set(_gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${QUORLA_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 > ${_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1
    VERBATIM)
  list(APPEND _quorla_man_pages ${_gz})
  install(FILES ${_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(quorla-man-pages ALL DEPENDS ${_quorla_man_pages})

# The training scenarios, where quorla-vprinter --list-scenarios finds them.
install(DIRECTORY scenarios/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quorla-adjust/scenarios
  FILES_MATCHING PATTERN "*.json")
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorla-adjust)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorla-adjust/docs)
