# What `cmake --install` installs: the layout of the packages that scripts/package makes.
# Linux (under a prefix, /usr in the .deb): bin/qvxhost and bin/dsdgen, the component in a
# folder of its own (cmake/install_dirs.cmake), the manual page and the bash completion
# (qvxhost/manual/), and share/doc/qvx-input-dsdiff/ with the copyright file. Windows (the
# zip): qvxhost.exe beside the DLL, with LICENSE, THIRD_PARTY.md and README-windows.txt.
# Tests, benchmarks, fuzz targets, dsttool and static libraries are not installed.

install(TARGETS qvx_input_dsdiff
  # Loaded by path, never run: no execute bit, as Debian wants of shared libraries.
  LIBRARY DESTINATION ${QVX_INSTALL_COMPONENT_DIR} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  RUNTIME DESTINATION ${QVX_INSTALL_COMPONENT_DIR}
  # The DLL's import library: nobody links the component.
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT unused EXCLUDE_FROM_ALL)
if(TARGET qvxhost)
  install(TARGETS qvxhost RUNTIME DESTINATION ${QVX_INSTALL_PROGRAM_DIR})
endif()

if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt.in ${CMAKE_BINARY_DIR}/README-windows.txt @ONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD_PARTY.md ${CMAKE_BINARY_DIR}/README-windows.txt
    DESTINATION .)
  return()
endif()

if(TARGET dsdgen)
  install(TARGETS dsdgen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Debian's machine-readable copyright file, with LICENSE as its licence text: indented by
# one space, empty lines written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
# Its title and copyright line have fields of their own.
string(REGEX REPLACE "^MIT License\n+Copyright [^\n]*\n+" "" license "${license}")
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " QVX_LICENSE_TEXT " ${license}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${CMAKE_BINARY_DIR}/share/doc/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/doc/copyright ${PROJECT_SOURCE_DIR}/THIRD_PARTY.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/qvx-input-dsdiff)

# The .deb (scripts/package runs cpack): the same install under /usr, its dependencies
# found by dpkg-shlibdeps from what the binaries link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvx-input-dsdiff)
set(CPACK_PACKAGE_VENDOR "the qvx_input_dsdiff authors")
set(CPACK_PACKAGE_CONTACT "the qvx_input_dsdiff authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DSDIFF (.dff) decoder component and DSD converter")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "A decoder component for a desktop media player that plays DSDIFF files, plain\n"
  "1-bit DSD or DST-compressed, as PCM; and qvxhost, a command-line host that\n"
  "loads the component as the player does and converts DSDIFF files and folders\n"
  "to FLAC, WAV or raw float, or unpacks them to plain DSD (DSF, DSDIFF), with\n"
  "their tags, and splits edited masters into tracks. dsdgen writes DSD test\n"
  "signals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the qvx_input_dsdiff authors")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
