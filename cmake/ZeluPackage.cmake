# Debian packages, made by CPack from the install components
# (cmake/ZeluInstall.cmake), one package per component:
#   libzelurtstringu0     runtime      the shared library; the name carries
#                                      its SONAME's version
#   libzelurtstringu-dev  development  headers, link name, CMake package and
#                                      pkg-config file
#   zelu-tools            tools        the zelu command and its manual page
# A build for packages is configured with -DCMAKE_INSTALL_PREFIX=/usr, so
# that the library goes to Debian's /usr/lib/<arch>; scripts/package.sh
# configures, builds, runs `cpack -G DEB` and checks what it made.
# Only a shared build makes packages (a static one has no runtime package).
set(zelu_soversion ${PROJECT_VERSION_MAJOR})
set(ZELU_PACKAGE_MAINTAINER "zelu developers <zelu@example.org>"
    CACHE STRING "The Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZELU_PACKAGE_MAINTAINER})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libzelurtstringu${zelu_soversion})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzelurtstringu-dev)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zelu-tools)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)

# Dependencies. dpkg-shlibdeps reads what the ELF files link (the C and C++
# runtimes, PCRE2); the library is found for it in the build tree. The
# packages made from one build depend on each other at exactly its version.
# The -dev package also depends on the -dev packages of the private
# dependencies: the pkg-config file names their modules (Requires.private).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
get_property(zelu_dev_depends GLOBAL PROPERTY ZELU_PRIVATE_DEBIAN)
list(JOIN zelu_dev_depends ", " CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS)

# Descriptions: a synopsis line, then the long description.
set(zelu_about "zelu is a C++20 library of string and encoding utilities over UTF-16 text:
hex and Base64 codecs, delimited records, a tokenizer, wildcard matching,
e-mail address checks, number padding, a wide string class with UTF-8 views,
XML dateTime text, safe arrays and regular expressions.")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "string and encoding utilities over UTF-16 text
${zelu_about}

This package holds the shared library, libzeluRtStringu.so.${zelu_soversion}.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "string and encoding utilities over UTF-16 text - development files
${zelu_about}

This package holds the headers, the CMake package (find_package(zeluRtStringu))
and the pkg-config file (zeluRtStringu).")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "string and encoding utilities over UTF-16 text - command-line tool
${zelu_about}

This package holds the zelu command, one subcommand per family of the
library, and its manual page, zelu(1).")

# CPack would put the project's one-line description before each
# component's description; each package has its own synopsis instead.
file(WRITE ${PROJECT_BINARY_DIR}/ZeluCPackProject.cmake "unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)\n")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/ZeluCPackProject.cmake)

include(CPack)
