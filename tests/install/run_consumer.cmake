# Script mode: install, then build and run the consumer both ways.
file(REMOVE_RECURSE ${ZELU_SCRATCH})
set(prefix ${ZELU_SCRATCH}/prefix)

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${ZELU_BUILD_DIR} --prefix ${prefix})

# 0. The installed tool runs and finds the installed library by itself.
if(EXISTS ${prefix}/bin/zelu)
  run(${prefix}/bin/zelu --version)
  message(STATUS "installed tool: ${last_output}")
endif()

# 1. find_package(zeluRtStringu)
run(${CMAKE_COMMAND} -S ${ZELU_CONSUMER_SOURCE} -B ${ZELU_SCRATCH}/cmake-build -G ${ZELU_GENERATOR}
    -DCMAKE_CXX_COMPILER=${ZELU_CXX} "-DCMAKE_CXX_FLAGS=${ZELU_CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${ZELU_CXX_FLAGS}" -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${ZELU_SCRATCH}/cmake-build)
run(${ZELU_SCRATCH}/cmake-build/consumer)
message(STATUS "find_package consumer: ${last_output}")

# 2. pkg-config --cflags --libs zeluRtStringu
find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB pc_dirs ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
string(REPLACE ";" ":" pc_path "${pc_dirs}")
set(ENV{PKG_CONFIG_PATH} ${pc_path})
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs zeluRtStringu
                OUTPUT_VARIABLE flags RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find zeluRtStringu in ${pc_path}")
endif()
separate_arguments(flags UNIX_COMMAND "${ZELU_CXX_FLAGS} ${flags}")
get_filename_component(libdir ${pc_dirs} DIRECTORY)
run(${ZELU_CXX} -Wall -Wextra -Werror ${ZELU_CONSUMER_SOURCE}/consumer.cpp ${flags} -Wl,-rpath,${libdir}
    -o ${ZELU_SCRATCH}/consumer-pkg-config)
run(${ZELU_SCRATCH}/consumer-pkg-config)
message(STATUS "pkg-config consumer: ${last_output}")
