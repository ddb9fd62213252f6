# Runs a test program once, through RUNNER when given, keeping GoogleTest's
# XML report in XML (XML_ARGUMENT names the same file as the program sees
# it). The test fails only when no report was written; the suites' own
# tests (CheckGtestSuite.cmake) report what failed, by name.
file(REMOVE ${XML})
execute_process(COMMAND ${RUNNER} ${PROGRAM} --gtest_output=xml:${XML_ARGUMENT} RESULT_VARIABLE status)
if(NOT EXISTS ${XML})
  message(FATAL_ERROR "${PROGRAM} ended (${status}) without its report")
endif()
