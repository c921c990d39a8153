# Runs the layering check on TREE: it must fail (status 1) and list exactly EXPECTED.
execute_process(COMMAND ${PYTHON} ${CHECKER} ${TREE} RESULT_VARIABLE status OUTPUT_VARIABLE listed)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "check-layers on ${TREE} ended with status ${status}, not 1:\n${listed}")
endif()
if(NOT listed STREQUAL expected)
  message(FATAL_ERROR "check-layers on ${TREE} listed:\n${listed}\nexpected:\n${expected}")
endif()
