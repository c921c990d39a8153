# The Windows build's libsoxr, libsndfile and TagLib: imported targets with
# the names the Linux build gets from pkg_check_modules, made from the static
# libraries that scripts/build-windows-libs builds for x86_64-w64-mingw32.
#
# Use (Windows build only):
#   prefix=$(scripts/build-windows-libs | tail -n 1)
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQVX_WINDOWS_LIBS="$prefix"
# and in a CMakeLists.txt:
#   include(${PROJECT_SOURCE_DIR}/cmake/windows_libs.cmake)
#   target_link_libraries(T PRIVATE PkgConfig::SOXR PkgConfig::SNDFILE PkgConfig::TAGLIB)
#
# Targets (IMPORTED STATIC, GLOBAL like the Linux build's):
#   PkgConfig::SOXR     lib/libsoxr.a
#   PkgConfig::SNDFILE  lib/libsndfile.a, then libFLAC.a libvorbisenc.a libvorbis.a libopus.a libogg.a
#   PkgConfig::TAGLIB   lib/libtag.a; compiles with TAGLIB_STATIC (else its headers declare
#                       dllimport) and include/taglib on the path, as taglib.pc gives it
# and beneath them qvx_windows_libs::flac (FLAC__NO_DLL, for code that includes
# FLAC's headers), ::vorbisenc, ::vorbis, ::opus and ::ogg. Every include path
# is the prefix's include/. The libraries need no system library beyond what
# mingw-w64 links by default (kernel32, msvcrt); the executable's -static
# (cmake/mingw-w64-x86_64.cmake) puts the GCC runtime in too, so the result
# needs no DLL beyond Windows' own. Also set, as pkg_check_modules would:
# SOXR_FOUND, SNDFILE_FOUND, TAGLIB_FOUND and their _VERSION.
include_guard(GLOBAL)

if(NOT WIN32)
  message(FATAL_ERROR "windows_libs.cmake is for the Windows build (cmake/mingw-w64-x86_64.cmake) only")
endif()
if(NOT QVX_WINDOWS_LIBS)
  message(FATAL_ERROR "QVX_WINDOWS_LIBS is not set: build the libraries with scripts/build-windows-libs "
                      "and pass the prefix it prints last as -DQVX_WINDOWS_LIBS=PREFIX")
endif()
# build-info.txt is written last, just before the prefix takes its final name.
if(NOT EXISTS "${QVX_WINDOWS_LIBS}/build-info.txt")
  message(FATAL_ERROR "QVX_WINDOWS_LIBS=${QVX_WINDOWS_LIBS} is not a prefix built by scripts/build-windows-libs")
endif()

function(qvx_windows_static_library target file)
  set(location "${QVX_WINDOWS_LIBS}/lib/${file}")
  if(NOT EXISTS "${location}")
    message(FATAL_ERROR "${location} is missing: run scripts/build-windows-libs again")
  endif()
  if(TARGET ${target})
    message(FATAL_ERROR "${target} is defined already; windows_libs.cmake replaces pkg_check_modules on Windows")
  endif()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION "${location}"
    INTERFACE_INCLUDE_DIRECTORIES "${QVX_WINDOWS_LIBS}/include")
endfunction()

# The version a pkg-config file of the prefix states, into OUT.
function(qvx_windows_library_version out pc_file)
  file(STRINGS "${QVX_WINDOWS_LIBS}/lib/pkgconfig/${pc_file}" line REGEX "^Version:" LIMIT_COUNT 1)
  string(REGEX REPLACE "^Version:[ \t]*" "" version "${line}")
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

qvx_windows_static_library(qvx_windows_libs::ogg libogg.a)
qvx_windows_static_library(qvx_windows_libs::flac libFLAC.a)
set_target_properties(qvx_windows_libs::flac PROPERTIES
  INTERFACE_COMPILE_DEFINITIONS FLAC__NO_DLL
  INTERFACE_LINK_LIBRARIES $<LINK_ONLY:qvx_windows_libs::ogg>)
qvx_windows_static_library(qvx_windows_libs::vorbis libvorbis.a)
set_target_properties(qvx_windows_libs::vorbis PROPERTIES INTERFACE_LINK_LIBRARIES $<LINK_ONLY:qvx_windows_libs::ogg>)
qvx_windows_static_library(qvx_windows_libs::vorbisenc libvorbisenc.a)
set_target_properties(qvx_windows_libs::vorbisenc PROPERTIES INTERFACE_LINK_LIBRARIES $<LINK_ONLY:qvx_windows_libs::vorbis>)
qvx_windows_static_library(qvx_windows_libs::opus libopus.a)
set_property(TARGET qvx_windows_libs::opus APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${QVX_WINDOWS_LIBS}/include/opus")

qvx_windows_static_library(PkgConfig::SOXR libsoxr.a)

# libsndfile 1.2.0 links FLAC, Vorbis and Opus together (one switch for all
# three). Link only: sndfile.h includes none of their headers, so their
# definitions and include folders stay out of its users' compilations.
qvx_windows_static_library(PkgConfig::SNDFILE libsndfile.a)
set_target_properties(PkgConfig::SNDFILE PROPERTIES
  INTERFACE_LINK_LIBRARIES
    "$<LINK_ONLY:qvx_windows_libs::flac>;$<LINK_ONLY:qvx_windows_libs::vorbisenc>;$<LINK_ONLY:qvx_windows_libs::opus>")

qvx_windows_static_library(PkgConfig::TAGLIB libtag.a)
set_target_properties(PkgConfig::TAGLIB PROPERTIES
  INTERFACE_COMPILE_DEFINITIONS TAGLIB_STATIC
  INTERFACE_INCLUDE_DIRECTORIES "${QVX_WINDOWS_LIBS}/include;${QVX_WINDOWS_LIBS}/include/taglib")

qvx_windows_library_version(SOXR_VERSION soxr.pc)
qvx_windows_library_version(SNDFILE_VERSION sndfile.pc)
qvx_windows_library_version(TAGLIB_VERSION taglib.pc)
set(SOXR_FOUND TRUE)
set(SNDFILE_FOUND TRUE)
set(TAGLIB_FOUND TRUE)
message(STATUS "Windows libraries from ${QVX_WINDOWS_LIBS}: soxr ${SOXR_VERSION}, sndfile ${SNDFILE_VERSION}, "
               "taglib ${TAGLIB_VERSION}")
