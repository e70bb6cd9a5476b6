# Script mode: builds the consumer program (program/) against the library in
# one of the ways a project takes it in, and runs it.
#   MODE=install       the build tree installed into a scratch prefix; the
#                      program through find_package and through pkg-config
#   MODE=static        zelu configured with BUILD_SHARED_LIBS=OFF, installed;
#                      the program through find_package and `pkg-config
#                      --static`, linking the archive and its private
#                      dependencies with no shared zelu anywhere
#   MODE=subdirectory  add_subdirectory(zelu), the parent leaving
#                      BUILD_SHARED_LIBS unset (so zelu is static)
#   MODE=fetchcontent  FetchContent from a local checkout, BUILD_SHARED_LIBS=ON
#   MODE=prefix        an installed tree at ZELU_PREFIX (scripts/package.sh
#                      unpacks the Debian packages there); as MODE=install
# As a subproject zelu must add no tests and install nothing of its own.
# Inputs: ZELU_SOURCE_DIR ZELU_BUILD_DIR ZELU_CONSUMER_SOURCE ZELU_SCRATCH
#         ZELU_GENERATOR ZELU_CXX ZELU_CXX_FLAGS (ZELU_PREFIX; ZELU_STATIC when the
#         build under test, which MODE=install installs, makes a static library)
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${ZELU_SCRATCH})
set(prefix ${ZELU_SCRATCH}/prefix)
if(MODE STREQUAL "prefix")
  set(prefix ${ZELU_PREFIX})
endif()
set(consumer_build ${ZELU_SCRATCH}/consumer-build)

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# check(MESSAGE CONDITION...): fails with MESSAGE unless CONDITION holds.
function(check message)
  if(${ARGN})
    return()
  endif()
  message(FATAL_ERROR "${message}")
endfunction()

# Configures and builds a CMake project with the compiler and flags of the
# build under test (sanitizer flags included).
function(build_project source binary)
  run(${CMAKE_COMMAND} -S ${source} -B ${binary} -G ${ZELU_GENERATOR}
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${ZELU_CXX} "-DCMAKE_CXX_FLAGS=${ZELU_CXX_FLAGS}"
      "-DCMAKE_EXE_LINKER_FLAGS=${ZELU_CXX_FLAGS}" "-DCMAKE_SHARED_LINKER_FLAGS=${ZELU_CXX_FLAGS}" ${ARGN})
  run(${CMAKE_COMMAND} --build ${binary} --parallel 2)
endfunction()

function(run_consumer program how)
  run(${program})
  check("${how}: the consumer printed '${last_output}'" last_output MATCHES "^zelu [0-9.]+: ok")
  message(STATUS "${how} consumer: ${last_output}")
endfunction()

# pkg-config --cflags --libs [--static] zeluRtStringu over `prefix`, then
# the program compiled with those flags and run.
function(consume_through_pkg_config)
  find_program(PKG_CONFIG pkg-config REQUIRED)
  file(GLOB pc_dirs ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
  string(REPLACE ";" ":" pc_path "${pc_dirs}")
  set(ENV{PKG_CONFIG_PATH} ${pc_path})
  run(${PKG_CONFIG} --cflags --libs ${ARGN} zeluRtStringu)
  string(STRIP "${last_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${ZELU_CXX_FLAGS} ${flags}")
  get_filename_component(libdir ${pc_dirs} DIRECTORY)
  run(${ZELU_CXX} -Wall -Wextra -Werror ${ZELU_CONSUMER_SOURCE}/consumer.cpp ${flags} -Wl,-rpath,${libdir}
      -o ${ZELU_SCRATCH}/consumer-pkg-config)
  run_consumer(${ZELU_SCRATCH}/consumer-pkg-config "pkg-config ${ARGN}")
endfunction()

# zelu as a subproject: the parent's build holds only the parent's test, and
# installing the parent installs only the parent's program.
function(check_subproject_is_quiet)
  run(${CMAKE_CTEST_COMMAND} --test-dir ${consumer_build} -N)
  check("the parent sees tests that are not its own:\n${last_output}" last_output MATCHES "Total Tests: 1\n")
  run(${CMAKE_COMMAND} --install ${consumer_build} --prefix ${ZELU_SCRATCH}/parent-prefix)
  file(STRINGS ${consumer_build}/install_manifest.txt installed)
  check("installing the parent installed more than its program: ${installed}" installed MATCHES "^[^;]*/bin/consumer$")
  file(GLOB_RECURSE tools LIST_DIRECTORIES false ${consumer_build}/zelu)
  check("the subproject built the zelu tool: ${tools}" NOT tools)
endfunction()

if(MODE STREQUAL "install" OR MODE STREQUAL "prefix")
  if(MODE STREQUAL "install")
    run(${CMAKE_COMMAND} --install ${ZELU_BUILD_DIR} --prefix ${prefix})
    # The installed tool runs and finds the installed library by itself.
    if(EXISTS ${prefix}/bin/zelu)
      run(${prefix}/bin/zelu --version)
      message(STATUS "installed tool: ${last_output}")
    endif()
  endif()
  build_project(${ZELU_CONSUMER_SOURCE} ${consumer_build} -DCMAKE_PREFIX_PATH=${prefix})
  run_consumer(${consumer_build}/consumer find_package)
  if(ZELU_STATIC)
    consume_through_pkg_config(--static)
  else()
    consume_through_pkg_config()
  endif()
elseif(MODE STREQUAL "static")
  build_project(${ZELU_SOURCE_DIR} ${ZELU_SCRATCH}/zelu-build -DBUILD_SHARED_LIBS=OFF
                -DBUILD_TESTING=OFF -DZELU_BUILD_TOOLS=OFF)
  run(${CMAKE_COMMAND} --install ${ZELU_SCRATCH}/zelu-build --prefix ${prefix})
  file(GLOB_RECURSE archives ${prefix}/libzeluRtStringu.a)
  file(GLOB_RECURSE shared ${prefix}/libzeluRtStringu.so*)
  check("the static install holds '${archives}' and '${shared}'" archives AND NOT shared)
  build_project(${ZELU_CONSUMER_SOURCE} ${consumer_build} -DCMAKE_PREFIX_PATH=${prefix})
  run_consumer(${consumer_build}/consumer "find_package, static")
  consume_through_pkg_config(--static)
elseif(MODE STREQUAL "subdirectory")
  build_project(${ZELU_CONSUMER_SOURCE} ${consumer_build} -DZELU_CONSUME=subdirectory
                -DZELU_SOURCE_DIR=${ZELU_SOURCE_DIR})
  check("BUILD_SHARED_LIBS unset did not give a static zelu" EXISTS ${consumer_build}/zelu/libzeluRtStringu.a)
  run_consumer(${consumer_build}/consumer add_subdirectory)
  check_subproject_is_quiet()
elseif(MODE STREQUAL "fetchcontent")
  build_project(${ZELU_CONSUMER_SOURCE} ${consumer_build} -DZELU_CONSUME=fetchcontent -DBUILD_SHARED_LIBS=ON
                -DZELU_GIT_REPOSITORY=${ZELU_SOURCE_DIR} -DZELU_GIT_TAG=HEAD
                -DFETCHCONTENT_SOURCE_DIR_ZELURTSTRINGU=${ZELU_SOURCE_DIR})
  check("FetchContent fetched instead of using the local checkout"
        NOT EXISTS ${consumer_build}/_deps/zelurtstringu-src)
  check("BUILD_SHARED_LIBS=ON did not give a shared zelu"
        EXISTS ${consumer_build}/_deps/zelurtstringu-build/libzeluRtStringu.so.0)
  run_consumer(${consumer_build}/consumer FetchContent)
  check_subproject_is_quiet()
else()
  message(FATAL_ERROR "MODE: install, prefix, static, subdirectory or fetchcontent")
endif()
