# Cross build for aarch64 (Debian's g++-aarch64-linux-gnu, run under qemu-aarch64).
#   cmake -S . -B build/cross-aarch64 --toolchain cmake/toolchains/aarch64.cmake
# scripts/cross-test.sh aarch64 fetches the target's libraries, builds and runs
# the unit tests.
set(ZELU_CROSS_ARCH aarch64)
set(ZELU_CROSS_TRIPLE aarch64-linux-gnu)
set(ZELU_CROSS_MULTIARCH aarch64-linux-gnu)
set(ZELU_CROSS_QEMU aarch64)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
