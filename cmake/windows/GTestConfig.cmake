# GoogleTest for the Windows build, built from Debian's sources by
# tests/windows/CMakeLists.txt before the tests look for it.
if(NOT TARGET gtest)
  set(GTest_FOUND FALSE)
  return()
endif()
foreach(lib gtest gtest_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
set(GTest_FOUND TRUE)
