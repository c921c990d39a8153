# Where `cmake --install` puts things (GNUInstallDirs), decided before the targets because
# qvxhost finds its component from where it is installed itself. The rules are in
# cmake/install.cmake.
include(GNUInstallDirs)
if(WIN32)
  # The Windows zip: qvxhost.exe beside the DLL, as Windows programs keep theirs.
  set(QVX_INSTALL_PROGRAM_DIR .)
  set(QVX_INSTALL_COMPONENT_DIR .)
else()
  set(QVX_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
  # A folder of its own: the component is the player's plug-in, not a library to link with.
  set(QVX_INSTALL_COMPONENT_DIR ${CMAKE_INSTALL_LIBDIR}/qvx-input-dsdiff)
endif()
# Relative, so that it holds for any prefix.
cmake_path(ABSOLUTE_PATH QVX_INSTALL_PROGRAM_DIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE program_dir)
cmake_path(ABSOLUTE_PATH QVX_INSTALL_COMPONENT_DIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE component_dir)
cmake_path(RELATIVE_PATH component_dir BASE_DIRECTORY ${program_dir} OUTPUT_VARIABLE QVX_COMPONENT_DIR_FROM_PROGRAM)
if(QVX_COMPONENT_DIR_FROM_PROGRAM STREQUAL "")
  set(QVX_COMPONENT_DIR_FROM_PROGRAM .)
endif()
