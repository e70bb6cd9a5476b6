# Install rules: the library, its headers, the umbrella header, a CMake
# package (find_package(zeluRtStringu)) and a pkg-config file. Components:
# runtime (the shared library), development (headers, the library's link
# name or static archive, the CMake package, the pkg-config file) and tools
# (the command-line tool and its manual page, tools/zelu); the Debian
# packages are made of them (cmake/ZeluPackage.cmake).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS zeluRtStringu EXPORT zeluRtStringuTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

get_property(zelu_headers GLOBAL PROPERTY ZELU_INSTALLED_HEADERS)
foreach(header IN LISTS zelu_headers)
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir} COMPONENT development)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/include/zeluRtStringu.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zeluRtStringu)
install(EXPORT zeluRtStringuTargets NAMESPACE zeluRtStringu::
        DESTINATION ${config_dir} COMPONENT development)
if(BUILD_SHARED_LIBS)
  set(ZELU_CONFIG_STATIC FALSE)
else()
  set(ZELU_CONFIG_STATIC TRUE)
endif()
get_property(ZELU_CONFIG_PKG_CONFIG GLOBAL PROPERTY ZELU_PRIVATE_PKG_CONFIG)
string(REPLACE ";" " " ZELU_CONFIG_PKG_CONFIG "${ZELU_CONFIG_PKG_CONFIG}")
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zeluRtStringuConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zeluRtStringuConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zeluRtStringuConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zeluRtStringuConfig.cmake
              ${PROJECT_BINARY_DIR}/zeluRtStringuConfigVersion.cmake
        DESTINATION ${config_dir} COMPONENT development)

# The pkg-config file finds the prefix relative to itself, so the installed
# tree can be moved (or installed with `cmake --install --prefix`). It names
# the private dependencies under Requires.private whichever kind the library
# is: `pkg-config --static --libs` then links a static archive completely,
# and a shared library never asks for them at link time.
zelu_private_pkg_config_modules(ZELU_PC_REQUIRES_PRIVATE)
if(BUILD_SHARED_LIBS)
  set(ZELU_PC_LIBS "")
else()
  # A static archive's link needs --static: without it the kept object's
  # PCRE2 symbols stay undefined, a link error rather than a quiet gap.
  set(ZELU_PC_LIBS " ${ZELU_STATIC_LINK_OPTIONS}")
endif()
file(RELATIVE_PATH ZELU_PC_UP /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
set(ZELU_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
set(ZELU_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/zeluRtStringu.pc.in
               ${PROJECT_BINARY_DIR}/zeluRtStringu.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zeluRtStringu.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
