# The library's private dependencies: libraries that only its own sources
# include, found through pkg-config and linked privately.
#
#   zelu_private_dependency(NAME pcre2 PKG_CONFIG libpcre2-16 DEBIAN libpcre2-dev)
#
# makes the imported target PkgConfig::zelu_<NAME> and records the
# dependency once for every place that must name it:
#   * the library's targets link it (zelu_link_private_dependencies);
#   * a static libzeluRtStringu.a hands it on to the programs that link the
#     archive: the CMake package finds it again (zeluRtStringuConfig.cmake)
#     and the pkg-config file lists it under Requires.private;
#   * the -dev Debian package depends on the DEBIAN package that holds the
#     module's .pc file, so that `pkg-config zeluRtStringu` resolves.
# A program that links the shared library needs none of them itself.
include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)

function(zelu_private_dependency)
  cmake_parse_arguments(DEP "" "NAME;PKG_CONFIG;DEBIAN" "" ${ARGN})
  if(NOT DEP_NAME OR NOT DEP_PKG_CONFIG OR NOT DEP_DEBIAN)
    message(FATAL_ERROR "zelu_private_dependency: NAME, PKG_CONFIG and DEBIAN are required")
  endif()
  pkg_check_modules(zelu_${DEP_NAME} REQUIRED IMPORTED_TARGET ${DEP_PKG_CONFIG})
  set_property(GLOBAL APPEND PROPERTY ZELU_PRIVATE_TARGETS PkgConfig::zelu_${DEP_NAME})
  set_property(GLOBAL APPEND PROPERTY ZELU_PRIVATE_PKG_CONFIG "zelu_${DEP_NAME}=${DEP_PKG_CONFIG}")
  set_property(GLOBAL APPEND PROPERTY ZELU_PRIVATE_DEBIAN ${DEP_DEBIAN})
endfunction()

# Links every recorded private dependency to each target given.
function(zelu_link_private_dependencies)
  get_property(targets GLOBAL PROPERTY ZELU_PRIVATE_TARGETS)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE ${targets})
  endforeach()
endfunction()

# The pkg-config modules, as one Requires.private value: "libpcre2-16 libhwy".
function(zelu_private_pkg_config_modules out)
  get_property(entries GLOBAL PROPERTY ZELU_PRIVATE_PKG_CONFIG)
  list(TRANSFORM entries REPLACE "^[^=]*=" "")
  list(JOIN entries " " modules)
  set(${out} "${modules}" PARENT_SCOPE)
endfunction()
