# `cpack -G DEB` in a build tree makes the Debian package of what `cmake --install` installs.
# dpkg-shlibdeps works out the libraries' packages; what it can't see is named here: the
# toolkit's platform plugins (loaded at run time, never linked) and a font for the windows.
set(CPACK_PACKAGE_NAME quorla-adjust)
set(CPACK_PACKAGE_VENDOR "Quorla Z40 adjustment program developers")
set(CPACK_PACKAGE_CONTACT "Quorla Z40 adjustment program developers <maintainers@users.noreply.c-seed-ce58fcbf.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "adjustment program for the Quorla Z40 inkjet printer")
set(CPACK_PACKAGE_DESCRIPTION
  "Service tool for repair technicians: reads and writes the printer's EEPROM values, runs the maintenance sequences, prints check patterns and reads the cartridges' chips. Comes with a virtual Quorla Z40 (quorla-vprinter) for training and for work without a printer.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY quorla-adjust)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  "${PROJECT_BINARY_DIR}/_CPack_Packages/Linux/DEB/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-Linux/${QUORLA_INSTALL_PRIVATE_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
