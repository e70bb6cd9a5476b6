# Script mode: runs PROGRAM and fails unless it exits with 0 and prints
# exactly the contents of EXPECTED; a difference is shown with diff -u.
#   cmake -DPROGRAM=<program> -DEXPECTED=<file> -P check_output.cmake
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  get_filename_component(name ${PROGRAM} NAME)
  set(actual ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual)
  file(WRITE ${actual} "${output}")
  execute_process(COMMAND diff -u ${EXPECTED} ${actual})
  message(FATAL_ERROR "${PROGRAM} printed ${actual}, not ${EXPECTED}")
endif()
