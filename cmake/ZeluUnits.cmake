# Helpers that every folder of the library uses to declare its units.
#
#   zelu_add_unit(NAME base64 DEPENDS base cstring variant
#                 HEADERS base64.h INTERNAL_HEADERS internal/base64_kernel.h
#                 SOURCES base64.cpp TESTS base64_test.cpp BENCHMARKS base64_benchmark.cpp)
#
# NAME names the unit; DEPENDS lists every unit whose headers the unit's files
# include (directly: a unit that is only reached through another is not a
# dependency). The `layering` test holds the include rules over these
# declarations (docs/architecture.md).
#
# HEADERS are public: installed under include/<path from the source root> and
# included by the umbrella header. INTERNAL_HEADERS are compiled in but not
# part of the umbrella header; they are installed only when a public header
# needs them (INSTALL_INTERNAL). GENERATED_HEADERS are written into the build
# tree's include folder. Tests join the one `zelu_tests` program; each
# benchmark file becomes its own program.

include_guard(GLOBAL)

function(zelu_set_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wconversion -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast
      -Wcast-align -Woverloaded-virtual -Wdouble-promotion
      -Wformat=2 -Wimplicit-fallthrough)
    # GCC 12 at -O2/-O3 reports impossible overlaps inside libstdc++'s
    # std::basic_string (GCC bug 105329); the warning says nothing about our code.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(ZELU_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# Appends one line to the unit manifest that the layering test reads.
function(zelu_manifest_line)
  string(JOIN " " line ${ARGN})
  set_property(GLOBAL APPEND PROPERTY ZELU_UNIT_MANIFEST "${line}")
endfunction()

function(zelu_manifest_files unit kind)
  foreach(file IN LISTS ARGN)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    zelu_manifest_line(file ${unit} ${kind} ${rel})
  endforeach()
endfunction()

function(zelu_add_unit)
  cmake_parse_arguments(UNIT "INSTALL_INTERNAL" "NAME"
    "DEPENDS;HEADERS;INTERNAL_HEADERS;GENERATED_HEADERS;SOURCES;TESTS;BENCHMARKS" ${ARGN})
  if(NOT UNIT_NAME)
    message(FATAL_ERROR "zelu_add_unit: NAME is required (${CMAKE_CURRENT_SOURCE_DIR})")
  endif()
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  zelu_manifest_line(unit ${UNIT_NAME} ${folder})
  zelu_manifest_line(depends ${UNIT_NAME} ${UNIT_DEPENDS})
  zelu_manifest_files(${UNIT_NAME} header ${UNIT_HEADERS})
  if(UNIT_INSTALL_INTERNAL)
    zelu_manifest_files(${UNIT_NAME} installed ${UNIT_INTERNAL_HEADERS})
  else()
    zelu_manifest_files(${UNIT_NAME} internal ${UNIT_INTERNAL_HEADERS})
  endif()
  foreach(file IN LISTS UNIT_GENERATED_HEADERS)
    zelu_manifest_line(file ${UNIT_NAME} generated ${folder}/${file})
  endforeach()
  zelu_manifest_files(${UNIT_NAME} source ${UNIT_SOURCES})
  zelu_manifest_files(${UNIT_NAME} test ${UNIT_TESTS})
  zelu_manifest_files(${UNIT_NAME} benchmark ${UNIT_BENCHMARKS})

  target_sources(zelu_objects PRIVATE ${UNIT_SOURCES} ${UNIT_HEADERS} ${UNIT_INTERNAL_HEADERS})
  set(installed ${UNIT_HEADERS})
  if(UNIT_INSTALL_INTERNAL)
    list(APPEND installed ${UNIT_INTERNAL_HEADERS})
  endif()
  foreach(header IN LISTS installed)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    set_property(GLOBAL APPEND PROPERTY ZELU_INSTALLED_HEADERS ${rel})
  endforeach()
  foreach(header IN LISTS UNIT_HEADERS)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    set_property(GLOBAL APPEND PROPERTY ZELU_PUBLIC_HEADERS ${rel})
  endforeach()
  if(ZELU_BUILD_TESTS AND UNIT_TESTS)
    target_sources(zelu_tests PRIVATE ${UNIT_TESTS})
  endif()
  if(ZELU_BUILD_BENCHMARKS)
    foreach(bench IN LISTS UNIT_BENCHMARKS)
      get_filename_component(name ${bench} NAME_WE)
      add_executable(${name} ${bench})
      # The library's objects, linked in: benchmarks also reach the internal
      # kernels that the shared library does not export.
      target_link_libraries(${name} PRIVATE zelu_internals benchmark::benchmark OpenSSL::Crypto)
      zelu_set_warnings(${name})
    endforeach()
  endif()
endfunction()

# Writes include/zeluRtStringu.h into the build tree: one #include per public
# header, in the order the folders declared them.
function(zelu_write_umbrella_header)
  get_property(headers GLOBAL PROPERTY ZELU_PUBLIC_HEADERS)
  set(body "// zeluRtStringu: every public header of the library.\n#pragma once\n\n")
  foreach(header IN LISTS headers)
    string(APPEND body "#include <${header}>\n")
  endforeach()
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/include/zeluRtStringu.h CONTENT "${body}" @ONLY)
endfunction()

# Writes the unit manifest (units, their dependencies and files) that the
# layering test checks against the sources.
function(zelu_write_unit_manifest path)
  get_property(lines GLOBAL PROPERTY ZELU_UNIT_MANIFEST)
  string(JOIN "\n" body ${lines})
  file(CONFIGURE OUTPUT ${path} CONTENT "${body}\n" @ONLY)
endfunction()
