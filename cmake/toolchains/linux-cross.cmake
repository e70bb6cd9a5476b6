# Shared part of the cross toolchains (aarch64.cmake, s390x.cmake, i386.cmake).
# The including file sets:
#   ZELU_CROSS_ARCH       the name scripts/cross-test.sh uses (aarch64, s390x, i386)
#   ZELU_CROSS_TRIPLE     the Debian cross compiler's prefix
#   ZELU_CROSS_MULTIARCH  the target's library folder in Debian packages
#   ZELU_CROSS_QEMU       the qemu-user program's suffix (qemu-<suffix>)
#   CMAKE_SYSTEM_PROCESSOR
#
# The compiler links against its own C library and libstdc++ (/usr/<triple>).
# The target's other libraries (PCRE2, GoogleTest, Highway), and the C
# library its programs run on, come from Debian packages unpacked into a
# sysroot folder, by default build/cross-sysroot/<arch> (scripts/cross-test.sh
# fills it); set ZELU_CROSS_SYSROOT to use another. No header or library of
# the host's own is used.
# Programs built here run through qemu-user (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${ZELU_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ZELU_CROSS_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${ZELU_CROSS_MULTIARCH})

if(NOT ZELU_CROSS_SYSROOT)
  if(DEFINED ENV{ZELU_CROSS_SYSROOT})
    set(ZELU_CROSS_SYSROOT $ENV{ZELU_CROSS_SYSROOT})
  else()
    get_filename_component(ZELU_CROSS_SYSROOT
      ${CMAKE_CURRENT_LIST_DIR}/../../build/cross-sysroot/${ZELU_CROSS_ARCH} ABSOLUTE)
  endif()
endif()
if(NOT EXISTS ${ZELU_CROSS_SYSROOT}/usr/lib/${ZELU_CROSS_MULTIARCH})
  message(FATAL_ERROR "no target libraries under ${ZELU_CROSS_SYSROOT}: "
    "run scripts/cross-test.sh ${ZELU_CROSS_ARCH}, or set ZELU_CROSS_SYSROOT")
endif()
# try_compile projects read this file again; hand them the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZELU_CROSS_SYSROOT)

# Libraries, headers and CMake packages only from the target's folders;
# programs (pkg-config, the tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZELU_CROSS_TRIPLE} ${ZELU_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the target's .pc files and prefixes their paths with
# the sysroot.
set(ENV{PKG_CONFIG_LIBDIR}
  "${ZELU_CROSS_SYSROOT}/usr/lib/${ZELU_CROSS_MULTIARCH}/pkgconfig:${ZELU_CROSS_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${ZELU_CROSS_SYSROOT})
set(ENV{PKG_CONFIG_PATH} "")

# qemu-user runs the target's programs on the sysroot's C library and
# libstdc++ (the target's Debian ones, with their locale data and iconv
# modules); -L makes the sysroot the target's root for file names. The
# search path is explicit: the guest loader would otherwise also read the
# host's /etc/ld.so.cache.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${ZELU_CROSS_QEMU} -L ${ZELU_CROSS_SYSROOT} -E
  LD_LIBRARY_PATH=${ZELU_CROSS_SYSROOT}/lib/${ZELU_CROSS_MULTIARCH}:${ZELU_CROSS_SYSROOT}/usr/lib/${ZELU_CROSS_MULTIARCH})
