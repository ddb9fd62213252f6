# Builds the upward fixture and passes only when the build fails on the
# lower layer's reference to the higher one.
file(REMOVE_RECURSE ${BINARY_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/layers/upward -B ${BINARY_DIR} -G Ninja
                        -DCMAKE_CXX_COMPILER=${CXX} -DTARKEL_SOURCE_DIR=${SOURCE_DIR}
                RESULT_VARIABLE configured OUTPUT_QUIET)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "the fixture did not configure")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} RESULT_VARIABLE built OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(built EQUAL 0)
  message(FATAL_ERROR "a layer calling up built:\n${output}")
endif()
if(NOT output MATCHES "upward_low_linked" OR NOT output MATCHES "undefined reference to `HighFunction")
  message(FATAL_ERROR "the build failed for another reason:\n${output}")
endif()
message(STATUS "the upward call was refused")
