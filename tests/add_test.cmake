# qvx_add_test(NAME SOURCES... LIBS...): one GoogleTest executable with the shared test
# support. Natively each case is a CTest test of its own. In the Windows build, run under
# Wine, each program is one test: a program start costs Wine far more than a case does,
# and the program's own output names any failing case.
function(qvx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qvx_test_support GTest::gtest GTest::gtest_main)
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QVX_BUILD_DIR=${CMAKE_BINARY_DIR}" TIMEOUT 1800)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QVX_BUILD_DIR=${CMAKE_BINARY_DIR}")
  endif()
endfunction()
