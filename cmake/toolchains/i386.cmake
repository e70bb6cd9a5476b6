# Cross build for i386 (Debian's g++-i686-linux-gnu, run under qemu-i386).
#   cmake -S . -B build/cross-i386 --toolchain cmake/toolchains/i386.cmake
# scripts/cross-test.sh i386 fetches the target's libraries, builds and runs
# the unit tests.
set(ZELU_CROSS_ARCH i386)
set(ZELU_CROSS_TRIPLE i686-linux-gnu)
set(ZELU_CROSS_MULTIARCH i386-linux-gnu)
set(ZELU_CROSS_QEMU i386)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
